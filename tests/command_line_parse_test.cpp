// Reading a command line, ours or a second start's, into what it asks for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "support/text_support.h"

static CommandLineRequest Parse(const std::wstring &line)
{
    CommandLineRequest request;
    ParseCommandLine(line.c_str(), &request);
    return request;
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

    // A number is read whole or not at all: cut to fit it would call
    // someone else.
    request = Parse(std::wstring(79, L' ') + L"5551234");
    EXPECT_STREQ(L"5551234", request.number);
    request = Parse(std::wstring(500, L'9'));
    EXPECT_EQ(PHONE_LINK_TOO_LONG, request.numberResult);
    EXPECT_STREQ(L"", request.number);
}

// The grammar: a name runs to the end of the line, "-choosecontact"
// anywhere wins, and only a number part that reads as a phone number is
// dialled; text that is not one (an option, a file) dials nothing, and the
// lines that dialled before keep their exact number.
TEST(CommandLine, NameChooserAndOnlyANumberIsDialled)
{
    const struct {
        const wchar_t *line;
        const wchar_t *number;
        const wchar_t *name; // NULL: no name given
        BOOL hasNumberText;
        BOOL chooseContact;
    } lines[] = {
        {L"555-1234", L"5551234", NULL, TRUE, FALSE},
        {L"555 1234 -name=Jane Doe", L"5551234", L"Jane Doe", TRUE, FALSE},
        {L"  -name=Room 101", L"", L"Room 101", FALSE, FALSE},
        {L"5551234 -name=", L"5551234", NULL, TRUE, FALSE},
        {L"5551234 -name=Jane -choosecontact", L"", NULL, FALSE, TRUE},
        {L"*#06#", L"*#06#", NULL, TRUE, FALSE},
        {L"(800) 901-3355 x 7246433 -name=Bob", L"8009013355p7246433", L"Bob", TRUE, FALSE},
        {L"--help", L"", NULL, TRUE, FALSE},
        {L"C:\\Users\\jane\\call 2.txt", L"", NULL, TRUE, FALSE},
        {L"5551234 tel:1", L"", NULL, TRUE, FALSE},
    };
    for (const auto &l : lines) {
        CommandLineRequest request = Parse(l.line);
        EXPECT_STREQ(l.number, request.number) << Narrow(l.line);
        EXPECT_EQ(l.number[0] ? PHONE_LINK_NUMBER : PHONE_LINK_NO_NUMBER, request.numberResult) << Narrow(l.line);
        EXPECT_EQ(l.hasNumberText, request.hasNumberText) << Narrow(l.line);
        EXPECT_EQ(l.chooseContact, request.chooseContact) << Narrow(l.line);
        EXPECT_EQ(l.name != NULL, request.hasName != FALSE) << Narrow(l.line);
        EXPECT_STREQ(l.name ? l.name : L"", request.name) << Narrow(l.line);
    }
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

// A line that is a link is the link and nothing else: no option in it is
// acted on, and one that may have been cut to fit the line is not read.
TEST(CommandLine, ALinkIsReadAsALinkOnly)
{
    CommandLineRequest request = Parse(L"  TEL:+1-201-555-0123;ext=42");
    EXPECT_TRUE(request.isLink);
    EXPECT_EQ(PHONE_LINK_NUMBER, request.numberResult);
    EXPECT_STREQ(L"+12015550123p42", request.number);

    request = Parse(L"tel:5551234 -choosecontact -name=Bob");
    EXPECT_TRUE(request.isLink);
    EXPECT_FALSE(request.chooseContact);
    EXPECT_FALSE(request.hasName);
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, request.numberResult);
    EXPECT_STREQ(L"", request.number);

    std::wstring padded = L"tel:555" + std::wstring(251, L'-') + L"1";
    ASSERT_EQ(259u, padded.size());
    EXPECT_EQ(PHONE_LINK_TOO_LONG, Parse(padded).numberResult) << "the line may have been cut there";
    EXPECT_EQ(PHONE_LINK_NUMBER, Parse(padded.substr(0, 258)).numberResult);

    EXPECT_FALSE(Parse(L"5551234 tel:1").isLink) << "a line that does not begin with a link keeps its grammar";
}

TEST(CommandLine, ALinkIsNamedSafelyInAMessage)
{
    WCHAR shown[12];
    DescribeText(shown, 12, L"tel:1\r\n2\t3");
    EXPECT_STREQ(L"tel:1  2 3", shown);
    DescribeText(shown, 12, L"tel:123456789012");
    EXPECT_STREQ(L"tel:1234...", shown);
    DescribeText(shown, 12, L"tel:1234567");
    EXPECT_STREQ(L"tel:1234567", shown);
    DescribeText(shown, 12, L"1\x200E" L"2\x202E" L"3\x2066" L"4\x200F" L"5\x2069");
    EXPECT_STREQ(L"1 2 3 4 5 ", shown) << "bidirectional formatting cannot reorder the message";
}
