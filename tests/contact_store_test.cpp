// The phone's contact file: cards appended to what other programs wrote and
// read back, and the folder the file lives in.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/contact_store.h"
#include "platform/emulation.h"
#include "support/contact_support.h"
#include "support/test_support.h"

namespace
{

class ContactFileTest : public ::testing::Test
{
  protected:
    std::wstring folder = ExecutableFolder() + L"contact_store_test\\";
    std::wstring path = folder + L"contacts.vcf";
    void SetUp() override
    {
        CreateDirectoryW(folder.c_str(), NULL);
        DeleteFileW(path.c_str());
    }
    std::wstring temporary = path + L".new";
    std::wstring exportFile = ExecutableFolder() + L"vcards\\android-2.1.vcf";
    void TearDown() override
    {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        DeleteFileW(temporary.c_str());
        RemoveDirectoryW(folder.c_str());
    }
};

TEST_F(ContactFileTest, MissingFileHasNoContacts)
{
    EXPECT_TRUE(LoadContacts(path).empty());
}

TEST_F(ContactFileTest, AppendsToNewAndExistingFile)
{
    ASSERT_TRUE(AppendContact(path, Contact(L"Zo\u00EB \u00C5str\u00F6m", {L"+1 555 0100"})));
    ASSERT_TRUE(AppendContact(path, Contact(L"Jane Doe", {L"(555) 123-4567", L"555"})));
    auto cards = LoadContacts(path);
    ASSERT_EQ(2u, cards.size());
    ExpectContact(cards[0], L"Zo\u00EB \u00C5str\u00F6m", {L"+1 555 0100"});
    ExpectContact(cards[1], L"Jane Doe", {L"(555) 123-4567", L"555"});
    EXPECT_EQ(0u, ReadFileBytes(path).find("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xC3\xAB \xC3\x85str\xC3\xB6m\r\n"));
}

TEST_F(ContactFileTest, AppendingToAnExportKeepsEveryByteOfIt)
{
    std::string exported = ReadFileBytes(ExecutableFolder() + L"vcards\\android-2.1.vcf");
    ASSERT_FALSE(exported.empty());
    ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"vcards\\android-2.1.vcf").c_str(), path.c_str(), FALSE));
    size_t before = LoadContacts(path).size();
    ASSERT_TRUE(AppendContact(path, Contact(L"New", {L"555-0123"})));
    std::string after = ReadFileBytes(path);
    EXPECT_EQ(exported, after.substr(0, exported.size()));
    EXPECT_EQ(exported.size(), after.find("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:New\r\n", exported.size()));
    auto cards = LoadContacts(path);
    ASSERT_EQ(before + 1, cards.size());
    ExpectContact(cards.back(), L"New", {L"555-0123"});
}

TEST_F(ContactFileTest, OnlyTheFirstBytesOfAHugeFileAreRead)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    std::string card = "BEGIN:VCARD\r\nFN:Early\r\nTEL:1\r\nEND:VCARD\r\n";
    std::string padding(1 << 20, 'x');
    padding.back() = '\n';
    DWORD written = 0;
    bool ok = WriteFile(file, card.data(), (DWORD)card.size(), &written, NULL);
    for (unsigned i = 0; ok && i < CONTACT_FILE_LIMIT / padding.size(); i++)
        ok = WriteFile(file, padding.data(), (DWORD)padding.size(), &written, NULL);
    std::string late = "BEGIN:VCARD\r\nFN:Late\r\nTEL:2\r\nEND:VCARD\r\n";
    ok = ok && WriteFile(file, late.data(), (DWORD)late.size(), &written, NULL);
    CloseHandle(file);
    ASSERT_TRUE(ok);
    bool cut = false;
    auto cards = LoadContacts(path, &cut);
    EXPECT_TRUE(cut);
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"Early", {L"1"});
    // Rewritten from its first bytes, the file would lose the rest.
    EXPECT_FALSE(SetContactFavorite(path, cards[0], true));
    EXPECT_EQ((DWORD)ERROR_FILE_TOO_LARGE, GetLastError());
    EXPECT_FALSE(LoadContacts(path)[0].favorite);
    // Cut to just within the limit: all of it is listed, and no card fits.
    file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    LARGE_INTEGER within;
    within.QuadPart = CONTACT_FILE_LIMIT - 10;
    ok = SetFilePointerEx(file, within, NULL, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(ok);
    LoadContacts(path, &cut);
    EXPECT_FALSE(cut);
    EXPECT_FALSE(AppendContact(path, Contact(L"New", {L"3"})));
    EXPECT_EQ((DWORD)ERROR_FILE_TOO_LARGE, GetLastError());
    EXPECT_EQ(within.QuadPart, (LONGLONG)ReadFileBytes(path).size());
}

// A saved card is always listed: a store of the card limit takes no more.
TEST_F(ContactFileTest, AFullStoreRefusesTheCardItWouldNotList)
{
    std::string text;
    for (int i = 0; i < CONTACT_CARD_LIMIT - 1; i++)
        text += "BEGIN:VCARD\r\nFN:" + std::to_string(i) + "\r\nEND:VCARD\r\n";
    WriteFileBytes(path, text);
    ASSERT_TRUE(AppendContact(path, Contact(L"Last", {L"1"})));
    bool cut = true;
    auto cards = LoadContacts(path, &cut);
    EXPECT_FALSE(cut);
    ASSERT_EQ((size_t)CONTACT_CARD_LIMIT, cards.size());
    ExpectContact(cards.back(), L"Last", {L"1"});
    std::string full = ReadFileBytes(path);
    EXPECT_FALSE(AppendContact(path, Contact(L"Over", {L"2"})));
    EXPECT_EQ((DWORD)ERROR_FILE_TOO_LARGE, GetLastError());
    EXPECT_EQ(full, ReadFileBytes(path));
}

// A UTF-16 file is read, added to and marked in its own units, its
// byte-order mark kept; one whose units would not all be written back as
// they were is not rewritten.
TEST_F(ContactFileTest, Utf16FilesKeepTheirEncoding)
{
    const std::string card = "BEGIN:VCARD\r\nFN:Zo\xC3\xAB \xF0\x9F\x93\x9E\r\nTEL:555\r\nEND:VCARD";
    const StoredContact added = Contact(L"\u00C5sa", {L"1"});
    const struct {
        ContactFileEncoding encoding;
        const char *start, *end, *raw;
        DWORD appendError, markError;
    } cases[] = {
        {CONTACT_FILE_UTF16LE, "\xEF\xBB\xBF", "\r\n", "", 0, 0},
        {CONTACT_FILE_UTF16BE, "\xEF\xBB\xBF", "", "", 0, 0},
        {CONTACT_FILE_UTF16LE, "", "\n", "", 0, 0},
        {CONTACT_FILE_UTF16BE, "", "\r", "", 0, 0},
        {CONTACT_FILE_UTF16LE, "\xEF\xBB\xBF", "\r\n", "\x3D\xD8", 0, ERROR_INVALID_DATA}, // a lone surrogate
        {CONTACT_FILE_UTF16BE, "\xEF\xBB\xBF", "\r\n", "\n", ERROR_INVALID_DATA, ERROR_INVALID_DATA}, // odd
    };
    for (const auto &c : cases) {
        const std::string old = Utf8ToContactFile(c.start + card + c.end, c.encoding) + c.raw;
        SCOPED_TRACE(testing::PrintToString(old));
        WriteFileBytes(path, old);
        auto cards = LoadContacts(path);
        ASSERT_EQ(1u, cards.size());
        ExpectContact(cards[0], L"Zo\u00EB \U0001F4DE", {L"555"});

        EXPECT_EQ(c.appendError == 0, AppendContact(path, added));
        EXPECT_EQ(c.appendError, GetLastError());
        std::string lineBreak = *c.end && !*c.raw ? "" : "\r\n", expected = old;
        if (c.appendError == 0)
            expected += Utf8ToContactFile(lineBreak + FormatVCard(added), c.encoding);
        EXPECT_EQ(expected, ReadFileBytes(path));
        EXPECT_EQ(c.appendError ? 1u : 2u, LoadContacts(path).size());

        EXPECT_EQ(c.markError == 0, SetContactFavorite(path, cards[0], true));
        EXPECT_EQ(c.markError, GetLastError());
        if (c.markError == 0) {
            std::string text = ContactFileToUtf8(expected, c.encoding);
            text.insert(text.find("END:VCARD"), std::string("X-PELLOMAR-FAVORITE:1") + (*c.end ? c.end : "\r\n"));
            expected = Utf8ToContactFile(text, c.encoding);
        }
        EXPECT_EQ(expected, ReadFileBytes(path));
    }
}

TEST_F(ContactFileTest, AppendAfterAnyLastLineStartsANewCard)
{
    // No line break, a lone CR, a quoted-printable soft break cut off.
    const std::string olds[] = {"BEGIN:VCARD\nFN:Old\nEND:VCARD", "BEGIN:VCARD\rFN:Old\rEND:VCARD\r",
                                "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:Old="};
    for (const std::string &old : olds) {
        SCOPED_TRACE(old);
        WriteFileBytes(path, old);
        ASSERT_TRUE(AppendContact(path, Contact(L"New", {L"1"})));
        EXPECT_EQ(old, ReadFileBytes(path).substr(0, old.size()));
        auto cards = LoadContacts(path);
        ASSERT_EQ(2u, cards.size());
        ExpectContact(cards[0], L"Old", {});
        ExpectContact(cards[1], L"New", {L"1"});
    }
    // An agent's card left open would take the new card in.
    WriteFileBytes(path, olds[0] + "\nBEGIN:VCARD\nAGENT:\nBEGIN:VCARD\n");
    EXPECT_FALSE(AppendContact(path, Contact(L"New", {L"1"})));
    EXPECT_EQ((DWORD)ERROR_INVALID_DATA, GetLastError());
    EXPECT_EQ(olds[0] + "\nBEGIN:VCARD\nAGENT:\nBEGIN:VCARD\n", ReadFileBytes(path));
}

TEST_F(ContactFileTest, MarkingAFavoriteChangesOnlyItsCard)
{
    ASSERT_TRUE(CopyFileW(exportFile.c_str(), path.c_str(), FALSE));
    std::string original = ReadFileBytes(path), marked = original;
    auto before = LoadContacts(path);
    ASSERT_GE(before.size(), 3u);
    EXPECT_FALSE(SetContactFavorite(path, Contact(before[2].name, {}), true)) << "not its numbers";
    // The third card, the one with a photo: the mark goes before its END.
    size_t end = original.find("END:VCARD", original.find("END:VCARD", original.find("END:VCARD") + 1) + 1);
    marked.insert(end, "X-PELLOMAR-FAVORITE:1\r\n");
    for (int twice = 0; twice < 2; twice++) {
        ASSERT_TRUE(SetContactFavorite(path, before[2], true));
        EXPECT_EQ(marked, ReadFileBytes(path));
    }
    auto after = LoadContacts(path);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < after.size(); i++) {
        ExpectContact(after[i], before[i].name, before[i].numbers);
        EXPECT_EQ(i == 2, after[i].favorite) << i;
    }
    ASSERT_TRUE(SetContactFavorite(path, before[2], false));
    EXPECT_EQ(original, ReadFileBytes(path));
}

// The card's own line breaks; every mark line goes whole, folds and all,
// but not a note's line that looks like one; a card whose mark a broken
// value before it would take in, or a file in use or read-only, is left
// alone, and so is such a file by an append; each says why.
TEST_F(ContactFileTest, AFavoriteIsMarkedInTheCardsOwnLinesOrNotAtAll)
{
    const std::string file = "BEGIN:VCARD\nFN:Lf\nEND:VCARD\nBEGIN:VCARD\r\nFN:Crlf\r\nx-pellomar-favorite;X=1:TR\r\n"
                             " UE\r\nNOTE;QUOTED-PRINTABLE:a=\r\nX-PELLOMAR-FAVORITE:1\r\nEND:VCARD\r\n"
                             "BEGIN:VCARD\nFN;QUOTED-PRINTABLE:Soft=\nEND:VCARD\nBEGIN:VCARD\nFN:Cut";
    const struct {
        const wchar_t *name;
        bool favorite;
        DWORD attributes;
        bool inUse;
        const char *from, *to;
        DWORD error;
    } cases[] = {
        {L"Lf", true, FILE_ATTRIBUTE_NORMAL, false, "FN:Lf\n", "FN:Lf\nX-PELLOMAR-FAVORITE:1\n", 0},
        {L"Crlf", false, FILE_ATTRIBUTE_NORMAL, false, "x-pellomar-favorite;X=1:TR\r\n UE\r\n", "", 0},
        {L"Cut", true, FILE_ATTRIBUTE_NORMAL, false, "FN:Cut", "FN:Cut\nX-PELLOMAR-FAVORITE:1\n", 0},
        {L"Soft", true, FILE_ATTRIBUTE_NORMAL, false, NULL, NULL, ERROR_INVALID_DATA},
        {L"Lf", true, FILE_ATTRIBUTE_READONLY, false, NULL, NULL, ERROR_ACCESS_DENIED},
        {L"Lf", true, FILE_ATTRIBUTE_NORMAL, true, NULL, NULL, ERROR_SHARING_VIOLATION},
        {L"Nobody", true, FILE_ATTRIBUTE_NORMAL, false, NULL, NULL, ERROR_NOT_FOUND},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << c.attributes << c.inUse);
        WriteFileBytes(path, file);
        SetFileAttributesW(path.c_str(), c.attributes);
        HANDLE open = c.inUse ? CreateFileW(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL) : NULL;
        std::string expected = file;
        if (c.from)
            expected.replace(expected.find(c.from), strlen(c.from), c.to);
        EXPECT_EQ(c.from != NULL, SetContactFavorite(path, Contact(c.name, {}), c.favorite));
        EXPECT_EQ(c.error, GetLastError());
        if (c.inUse || c.attributes != FILE_ATTRIBUTE_NORMAL) {
            EXPECT_FALSE(AppendContact(path, Contact(L"New", {})));
            EXPECT_EQ(c.error, GetLastError());
        }
        if (open)
            CloseHandle(open);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(expected, ReadFileBytes(path));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(temporary.c_str()));
    }
}

// The dialer appends while the contacts program marks: neither loses the
// other's write.
TEST_F(ContactFileTest, AppendsAndMarksAtOnceLoseNothing)
{
    ASSERT_TRUE(CopyFileW(exportFile.c_str(), path.c_str(), FALSE));
    auto original = LoadContacts(path);
    ASSERT_FALSE(original.empty());
    int appended = 0, marked = 0;
    std::thread appender([&] {
        for (int i = 0; i < 50; i++)
            appended += AppendContact(path, Contact(L"Added " + std::to_wstring(i), {L"555"}));
    });
    for (int i = 0; i < 50; i++)
        marked += SetContactFavorite(path, original[0], i % 2 != 0);
    appender.join();
    EXPECT_EQ(100, appended + marked);
    auto cards = LoadContacts(path);
    ASSERT_EQ(original.size() + 50, cards.size());
    for (size_t i = 0; i < cards.size(); i++) {
        StoredContact expected =
            i < original.size() ? original[i] : Contact(L"Added " + std::to_wstring(i - original.size()), {L"555"});
        ExpectContact(cards[i], expected.name, expected.numbers);
        EXPECT_EQ(i == 0, cards[i].favorite) << i;
    }
}

// Where the device's files go: beside a copy that no install recorded, in
// the user's application data for an installed one.
class DataFolderTest : public ::testing::Test
{
  protected:
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, INSTALL_KEY); }
    static void RecordInstallFolder(const std::wstring &folder)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE, INSTALL_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL));
        RegSetValueExW(key, INSTALL_FOLDER_VALUE, 0, REG_SZ, (const BYTE *)folder.c_str(),
                       (DWORD)(folder.size() + 1) * sizeof(WCHAR));
        RegCloseKey(key);
    }
    static std::wstring DataFolder()
    {
        WCHAR folder[MAX_PATH];
        EmulationDataFolder(folder, MAX_PATH);
        return folder;
    }
};

TEST_F(DataFolderTest, ACopyOutsideTheRecordedInstallKeepsItsFilesBesideItself)
{
    std::wstring own = ExecutableFolder();
    EXPECT_EQ(own, DataFolder());
    EXPECT_EQ(own + L"contacts.vcf", ContactStorePath());
    RecordInstallFolder(L"C:\\Program Files\\Zembrik");
    EXPECT_EQ(own, DataFolder()) << "another copy is the installed one";
    // A folder whose name is only the start of ours is another folder.
    RecordInstallFolder(own.substr(0, own.size() - 2));
    EXPECT_EQ(own, DataFolder());
    RecordInstallFolder(L"");
    EXPECT_EQ(own, DataFolder());
}

TEST_F(DataFolderTest, AnInstalledCopyWritesInTheUsersApplicationData)
{
    WCHAR appData[MAX_PATH];
    ASSERT_EQ(S_OK, SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, appData));
    std::wstring expected = std::wstring(appData) + L"\\Zembrik\\";
    RemoveDirectoryW(expected.c_str());

    // The install's folder holds the program's own; names compare as
    // Windows compares them, whatever the case or a trailing backslash.
    std::wstring own = ExecutableFolder();
    std::wstring parent = own.substr(0, own.find_last_of(L'\\', own.size() - 2) + 1);
    CharUpperW(&parent[0]);
    RecordInstallFolder(parent);
    EXPECT_EQ(expected, DataFolder());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(expected.c_str())) << "made at its first use";
    EXPECT_EQ(expected + L"contacts.vcf", ContactStorePath());
    RecordInstallFolder(own.substr(0, own.size() - 1));
    EXPECT_EQ(expected, DataFolder());
}

} // namespace
