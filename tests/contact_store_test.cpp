// The phone's contact file: cards appended to what other programs wrote and
// read back, and the folder the file lives in.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

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
    void TearDown() override
    {
        DeleteFileW(path.c_str());
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
    auto cards = LoadContacts(path);
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"Early", {L"1"});
}

TEST_F(ContactFileTest, AppendAfterUnterminatedLastLineStartsANewLine)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, "BEGIN:VCARD\nFN:Old\nEND:VCARD", 28, &written, NULL);
    CloseHandle(file);
    ASSERT_TRUE(AppendContact(path, Contact(L"New", {L"1"})));
    auto cards = LoadContacts(path);
    ASSERT_EQ(2u, cards.size());
    ExpectContact(cards[0], L"Old", {});
    ExpectContact(cards[1], L"New", {L"1"});
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
