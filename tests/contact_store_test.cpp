// The phone's contact file: reading what other programs wrote, and writing
// cards that read back the same.
#include <gtest/gtest.h>

#include "platform/contact_store.h"
#include "support/test_support.h"

namespace
{

StoredContact Contact(const std::wstring &name, std::vector<std::wstring> numbers)
{
    return StoredContact{name, std::move(numbers)};
}

void ExpectContact(const StoredContact &actual, const std::wstring &name, const std::vector<std::wstring> &numbers)
{
    EXPECT_EQ(name, actual.name);
    EXPECT_EQ(numbers, actual.numbers);
}

TEST(ParseVCards, ReadsNameAndEveryNumberInOrder)
{
    auto cards =
        ParseVCards("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jane Doe\r\nN:Doe;Jane;;;\r\nTEL;TYPE=CELL:(555) 123-4567\r\n"
                    "TEL;TYPE=WORK:+1 555 0100\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Bob\r\nEND:VCARD\r\n");
    ASSERT_EQ(2u, cards.size());
    ExpectContact(cards[0], L"Jane Doe", {L"(555) 123-4567", L"+1 555 0100"});
    ExpectContact(cards[1], L"Bob", {});
}

TEST(ParseVCards, HandlesLfFoldingParametersGroupsAndCase)
{
    auto cards = ParseVCards("begin:vcard\nfn:Jo\n hn \n\tSmith\nTEL;TYPE=CELL;TYPE=VOICE:555\n 0100\n"
                             "item1.TEL:555-0101\ntel;type=\"x:y\":555-0102\nEnd:VCard\n");
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"John Smith", {L"5550100", L"555-0101", L"555-0102"});
}

TEST(ParseVCards, UnescapesTextButKeepsNumbersAsStored)
{
    auto cards = ParseVCards("BEGIN:VCARD\nFN:Doe\\, Jane\\; Jr\\\\x\\nNext\\q\nTEL:555\\,1\nEND:VCARD\n");
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"Doe, Jane; Jr\\x\nNext\\q", {L"555\\,1"});
}

TEST(ParseVCards, FallsBackToStructuredNameOrNone)
{
    auto cards = ParseVCards("BEGIN:VCARD\nN:Doe;Jane;Q;Dr.;\nEND:VCARD\nBEGIN:VCARD\nFN:\nTEL:1\nEND:VCARD\n");
    ASSERT_EQ(2u, cards.size());
    ExpectContact(cards[0], L"Dr. Jane Q Doe", {});
    ExpectContact(cards[1], L"", {L"1"});
}

TEST(ParseVCards, SkipsBomAndGarbageAndKeepsUnendedCard)
{
    auto cards = ParseVCards("\xEF\xBB\xBF"
                             "BEGIN:VCARD\r\nFN:A\r\nno colon here\r\nEND:VCARD\r\n\r\njunk\r\n"
                             "FN:Outside\r\nBEGIN:VCARD\r\nFN:B\r\nBEGIN:VCARD\r\nFN:C\r\nTEL:3");
    ASSERT_EQ(3u, cards.size());
    ExpectContact(cards[0], L"A", {});
    ExpectContact(cards[1], L"B", {});
    ExpectContact(cards[2], L"C", {L"3"});
    EXPECT_TRUE(ParseVCards("").empty());
    EXPECT_TRUE(ParseVCards("FN:Nobody\nTEL:1\n").empty());
}

TEST(ParseVCards, ReplacesInvalidUtf8)
{
    auto cards = ParseVCards("BEGIN:VCARD\nFN:a\xFF"
                             "b\xC3"
                             "c\xC0\xAF"
                             "d\xED\xA0\x80"
                             "e\xF0\x9F\x93\x9E\nEND:VCARD\n");
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"a\uFFFDb\uFFFDc\uFFFD\uFFFDd\uFFFDe\U0001F4DE", {});
}

TEST(ParseVCards, KeepsOverLongLinesWhole)
{
    std::string digits(200000, '7');
    auto cards = ParseVCards("BEGIN:VCARD\nFN:Long\nTEL:" + digits + "\nEND:VCARD\n");
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"Long", {std::wstring(digits.size(), L'7')});
}

TEST(FormatVCard, WritesEscapedFoldedCrlfCard)
{
    std::string card = FormatVCard(Contact(L"Doe, Jane; \\", {L"(555) 123-4567"}));
    EXPECT_EQ(0u, card.find("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Doe\\, Jane\\; \\\\\r\nN:"));
    EXPECT_NE(std::string::npos, card.find("\r\nTEL;TYPE=CELL:(555) 123-4567\r\nEND:VCARD\r\n"));

    std::string folded = FormatVCard(Contact(std::wstring(60, L'\u00E9'), {}));
    size_t start = 0;
    for (size_t end; (end = folded.find("\r\n", start)) != std::string::npos; start = end + 2) {
        EXPECT_LE(end - start, 75u);
        EXPECT_EQ(std::string::npos, folded.substr(start, end - start).find('\n'));
    }
    EXPECT_EQ(folded.size(), start);
}

TEST(FormatVCard, ReadsBackTheSameContact)
{
    std::vector<StoredContact> contacts = {
        Contact(L"Doe, Jane; \"Jr\" \\ back", {L"(555) 123-4567", L"+1 555 0100"}),
        Contact(L"Zo\u00EB \u00C5str\u00F6m", {L"+46 8 123 456"}),
        Contact(L"Line\nbreak \U0001F4DE " + std::wstring(100, L'\u00E5'), {L"*31#555,,12;ext=9"}),
        Contact(L"", {L"911"}),
    };
    for (const StoredContact &contact : contacts) {
        auto cards = ParseVCards(FormatVCard(contact));
        ASSERT_EQ(1u, cards.size());
        ExpectContact(cards[0], contact.name, contact.numbers);
    }
}

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

TEST(ContactStorePath, IsBesideTheExecutable)
{
    EXPECT_EQ(ExecutableFolder() + L"contacts.vcf", ContactStorePath());
}

} // namespace
