#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "settings/settings.h"
#include "support/test_support.h"

static CommandLineRequest Parse(const std::wstring &line)
{
    CommandLineRequest request;
    ParseCommandLine(line.c_str(), &request);
    return request;
}

TEST(CommandLine, NumberIsFilteredToDialableCharacters)
{
    CommandLineRequest request = Parse(L"555-1234");
    EXPECT_FALSE(request.chooseContact);
    EXPECT_FALSE(request.hasName);
    EXPECT_STREQ(L"5551234", request.number);
}

TEST(CommandLine, NameRunsToTheEndOfTheLineSpacesIncluded)
{
    CommandLineRequest request = Parse(L"555 1234 -name=Jane Doe");
    EXPECT_TRUE(request.hasName);
    EXPECT_STREQ(L"Jane Doe", request.name);
    EXPECT_STREQ(L"5551234", request.number);
}

TEST(CommandLine, DigitsInTheNameAreNotDialled)
{
    CommandLineRequest request = Parse(L"-name=Room 101");
    EXPECT_STREQ(L"Room 101", request.name);
    EXPECT_STREQ(L"", request.number);
}

TEST(CommandLine, EmptyNameCutsTheLineButGivesNoName)
{
    CommandLineRequest request = Parse(L"5551234 -name=");
    EXPECT_FALSE(request.hasName);
    EXPECT_STREQ(L"5551234", request.number);
}

TEST(CommandLine, ChooseContactAnywhereWinsOverEverythingElse)
{
    CommandLineRequest request = Parse(L"5551234 -name=Jane -choosecontact");
    EXPECT_TRUE(request.chooseContact);
    EXPECT_STREQ(L"", request.number);
    EXPECT_FALSE(request.hasName);
}

TEST(CommandLine, OverLongLinesAndNamesAreCut)
{
    std::wstring longName(100, L'x');
    CommandLineRequest request = Parse(L"5551234 -name=" + longName);
    EXPECT_EQ(std::wstring(39, L'x'), request.name);

    // Only the first 259 units of the line are read: a name further on is
    // not seen.
    request = Parse(L"5551234" + std::wstring(252, L' ') + L"-name=Jane");
    EXPECT_FALSE(request.hasName);
    EXPECT_STREQ(L"5551234", request.number);

    // The number is taken from the first 79 units only.
    request = Parse(std::wstring(79, L' ') + L"5551234");
    EXPECT_STREQ(L"", request.number);

    std::wstring digits(500, L'9');
    request = Parse(digits);
    EXPECT_EQ(std::wstring(79, L'9'), request.number);
}

class ProcessCommandLineTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        StartFreshDevice();
        LoadSettings();
    }
    void TearDown() override
    {
        DeleteCallsLog();
        DeleteDeviceEmulationKey();
    }
};

TEST_F(ProcessCommandLineTest, NothingToDialLetsTheWindowShow)
{
    EXPECT_EQ(1, ProcessCommandLine(L""));
    EXPECT_EQ(1, ProcessCommandLine(L"hello"));
    EXPECT_EQ("", ReadFileBytes(CallsLogPath()));
}

TEST_F(ProcessCommandLineTest, NameAloneIsKeptForTheNextCall)
{
    EXPECT_EQ(1, ProcessCommandLine(L"-name=Jane"));
    EXPECT_STREQ(L"Jane", app.calledPartyName);
    EXPECT_EQ(1, ProcessCommandLine(L"-name="));
    EXPECT_STREQ(L"Jane", app.calledPartyName);
}

TEST_F(ProcessCommandLineTest, NumberIsDialledWithTheName)
{
    wcscpy(app.calledPartyName, L"Earlier");
    EXPECT_EQ(0, ProcessCommandLine(L"5551234 -name="));
    EXPECT_EQ("5551234\tEarlier\n", ReadFileBytes(CallsLogPath()));
    EXPECT_STREQ(L"5551234", app.NumberBuffer);
    EXPECT_EQ(L"5551234", GetSettingValue(L"lastDialedNumber"));
}

TEST_F(ProcessCommandLineTest, ARefusedDialStillEndsTheCommandLine)
{
    SetEmulationDWORD(L"RefuseCalls", 1);
    EXPECT_EQ(0, ProcessCommandLine(L"5551234"));
    bool present = true;
    GetSettingValue(L"lastDialedNumber", &present);
    EXPECT_FALSE(present);
}

TEST_F(ProcessCommandLineTest, ChooseContactEndsTheCommandLineWithoutTouchingTheNumber)
{
    wcscpy(app.NumberBuffer, L"123");
    EXPECT_EQ(0, ProcessCommandLine(L"-choosecontact"));
    EXPECT_STREQ(L"123", app.NumberBuffer);
}

static std::wstring Unquoted(const std::wstring &line, size_t capacity = 260)
{
    std::vector<WCHAR> out(capacity + 1, L'#');
    UndoDesktopQuoting(out.data(), capacity, line.c_str());
    EXPECT_EQ(L'#', out[capacity]) << "written past the capacity";
    return out.data();
}

// The desktop shell quotes arguments that hold spaces; the line is read as
// the user typed it.
TEST(DesktopQuoting, QuotesAreTakenAwayAndEverythingElseStays)
{
    EXPECT_EQ(L"555 1234 -name=Jane Doe", Unquoted(L"\"555 1234 -name=Jane Doe\""));
    EXPECT_EQ(L"555-1234 -name=Jane Doe", Unquoted(L"555-1234 \"-name=Jane Doe\""));
    EXPECT_EQ(L"5551234  -name=Jane   Doe", Unquoted(L"5551234  -name=Jane   Doe")) << "no quotes: unchanged";
    EXPECT_EQ(L"-name=C:\\x\\y", Unquoted(L"-name=C:\\x\\y"));
    EXPECT_EQ(L"-name=Jane \"JJ\" Doe", Unquoted(L"\"-name=Jane \\\"JJ\\\" Doe\""));
    EXPECT_EQ(L"a\\b c", Unquoted(L"a\\\\\"b c\"")) << "two backslashes before a quote give one";
    EXPECT_EQ(L"a\\\"b", Unquoted(L"a\\\\\\\"b")) << "three give one and a literal quote";
    EXPECT_EQ(L"", Unquoted(L"\"\""));
    EXPECT_EQ(L"55", Unquoted(L"\"5555\"", 3));
    EXPECT_EQ(std::wstring(9, L'\\'), Unquoted(std::wstring(5000, L'\\'), 10));
    EXPECT_EQ(L"", Unquoted(L"abc", 1));
}

TEST_F(ProcessCommandLineTest, QuotedArgumentsGiveTheNumberAndTheName)
{
    EXPECT_EQ(0, ProcessCommandLine(L"\"555 1234 -name=Jane Doe\""));
    EXPECT_EQ(0, ProcessCommandLine(L"555-1234 \"-name=Jane Doe\""));
    EXPECT_EQ("5551234\tJane Doe\n5551234\tJane Doe\n", ReadFileBytes(CallsLogPath()));
}

// A line that is a link is the link and nothing else: no option in it is
// acted on, and one that may have been cut to fit the line is not read.
TEST(CommandLine, ALinkIsReadAsALinkOnly)
{
    CommandLineRequest request = Parse(L"  TEL:+1-201-555-0123;ext=42");
    EXPECT_TRUE(request.isLink);
    EXPECT_EQ(PHONE_LINK_NUMBER, request.linkResult);
    EXPECT_STREQ(L"+12015550123p42", request.number);

    request = Parse(L"tel:5551234 -choosecontact -name=Bob");
    EXPECT_TRUE(request.isLink);
    EXPECT_FALSE(request.chooseContact);
    EXPECT_FALSE(request.hasName);
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, request.linkResult);
    EXPECT_STREQ(L"", request.number);

    std::wstring padded = L"tel:555" + std::wstring(251, L'-') + L"1";
    ASSERT_EQ(259u, padded.size());
    EXPECT_EQ(PHONE_LINK_TOO_LONG, Parse(padded).linkResult) << "the line may have been cut there";
    EXPECT_EQ(PHONE_LINK_NUMBER, Parse(padded.substr(0, 258)).linkResult);

    request = Parse(L"5551234 tel:1");
    EXPECT_FALSE(request.isLink) << "a line that does not begin with a link keeps its grammar";
    EXPECT_STREQ(L"55512341", request.number);
}

TEST(CommandLine, ALinkIsNamedSafelyInAMessage)
{
    WCHAR shown[12];
    DescribeLink(shown, 12, L"tel:1\r\n2\t3");
    EXPECT_STREQ(L"tel:1  2 3", shown);
    DescribeLink(shown, 12, L"tel:123456789012");
    EXPECT_STREQ(L"tel:1234...", shown);
    DescribeLink(shown, 12, L"tel:1234567");
    EXPECT_STREQ(L"tel:1234567", shown);
}

TEST_F(ProcessCommandLineTest, ALinksNumberIsShownAsTypedAndNeverDialled)
{
    SetSettingValue(L"lastDialedNumber", L"5550000");
    LoadSettings();
    CapturedMessageBoxes().clear();
    for (const wchar_t *link : {L"tel:+1-201-555-0123;ext=42", L"tel:*%2306%23", L"\"callto:+1 415 555 0199\""}) {
        EXPECT_EQ(1, ProcessCommandLine(link)) << "the window shows";
        EXPECT_EQ(1, app.numberEntryActive);
    }
    EXPECT_STREQ(L"+14155550199", app.NumberBuffer);
    EXPECT_EQ("", ReadFileBytes(CallsLogPath()));
    EXPECT_EQ(L"5550000", GetSettingValue(L"lastDialedNumber"));
    EXPECT_TRUE(CapturedMessageBoxes().empty());
}

TEST_F(ProcessCommandLineTest, ALinkWithoutANumberChangesNothingAndSaysSo)
{
    wcscpy(app.NumberBuffer, L"5550000");
    app.numberEntryActive = 0;
    CapturedMessageBoxes().clear();
    EXPECT_EQ(1, ProcessCommandLine(L"tel:1-800-FLOWERS"));
    EXPECT_EQ(1, ProcessCommandLine((L"tel:" + std::wstring(80, L'5')).c_str()));
    EXPECT_EQ(1, ProcessCommandLine((L"tel:" + std::wstring(300, L'5')).c_str()));
    EXPECT_STREQ(L"5550000", app.NumberBuffer);
    EXPECT_EQ(0, app.numberEntryActive);
    EXPECT_EQ(0, app.dialInProgress);
    ASSERT_EQ(3u, CapturedMessageBoxes().size());
    EXPECT_EQ(L"Zembrik", CapturedMessageBoxes()[0].caption);
    EXPECT_EQ(L"The link \"tel:1-800-FLOWERS\" holds no phone number.", CapturedMessageBoxes()[0].text);
    EXPECT_NE(std::wstring::npos, CapturedMessageBoxes()[1].text.find(L"is too long to dial."));
    EXPECT_NE(std::wstring::npos, CapturedMessageBoxes()[2].text.find(L"5555...\" is too long to dial."));
    EXPECT_EQ("", ReadFileBytes(CallsLogPath()));
}
