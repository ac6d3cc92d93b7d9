// Phone links as web pages, address books and phone apps write them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/phone_link.h"
#include "support/text_support.h"

struct Read {
    PhoneLinkResult result;
    std::wstring number;
};

static Read ReadLink(const std::wstring &link, size_t capacity = 80)
{
    std::vector<WCHAR> out(capacity + 4, L'#');
    PhoneLinkResult result = ReadPhoneLink(out.data(), capacity, link.c_str());
    for (size_t i = capacity; i < out.size(); i++)
        EXPECT_EQ(L'#', out[i]) << "written past the capacity for " << link.size() << " units";
    return {result, out.data()};
}

static std::wstring Number(const std::wstring &link)
{
    Read read = ReadLink(link);
    EXPECT_EQ(PHONE_LINK_NUMBER, read.result) << "for a link of " << link.size() << " units";
    return read.number;
}

static PhoneLinkResult Refused(const std::wstring &link)
{
    Read read = ReadLink(link);
    EXPECT_EQ(L"", read.number) << "a refused link leaves no number behind";
    return read.result;
}

TEST(PhoneLinks, TheRfcsExamplesAndHowPagesWriteLinks)
{
    EXPECT_EQ(L"+12015550123", Number(L"tel:+1-201-555-0123"));
    EXPECT_EQ(L"7042", Number(L"tel:7042;phone-context=example.com"));
    EXPECT_EQ(L"+19145558631234", Number(L"tel:863-1234;phone-context=+1-914-555"));
    EXPECT_EQ(L"+12015550123p42", Number(L"tel:+1-201-555-0123;ext=42"));
    EXPECT_EQ(L"+12015550123", Number(L"tel:+1-201-555-0123;isub=1411;x-unknown=9"));
    EXPECT_EQ(L"+15550100p7", Number(L"tel:+1.555.0100;PHONE-CONTEXT=+44;EXT=7;ext=8"))
        << "a global number keeps its own prefix; the first extension counts";
    EXPECT_EQ(L"+12015550123", Number(L"  TEL:+1 (201) 555-0123?body=hello;ext=9"));
    EXPECT_EQ(L"*31#5550100", Number(L"tel:*31%235550100"));
    EXPECT_EQ(L"+14155550199", Number(L"tel:%2B1-415-555-0199"));
    EXPECT_EQ(L"#31#5550100", Number(L"tel:#31#555-0100")) << "a '#' left unencoded is still a '#'";
    EXPECT_EQ(L"+14155550199", Number(L"callto://+14155550199"));
    EXPECT_EQ(L"5550100", Number(L"CallTo:555%200100"));
    // Pauses and waits as phone apps write them.
    EXPECT_EQ(L"5550100pp42w7", Number(L"tel:555-0100,,42;7"));
    EXPECT_EQ(L"5550100w7p42", Number(L"tel:555-0100;ext=42;7"));
}

TEST(PhoneLinks, AnythingButANumberIsRefusedWhole)
{
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:1-800-FLOWERS")) << "letters are never dropped into a number";
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"callto:jane.doe"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:;ext=42;phone-context=+1-914"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:--()"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:%"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555%%%"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555%2"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555%ZZ"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555%0D%0A0100"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555%000100"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555%3B0100")) << "an encoded ';' is no separator";
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555\t0100"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555+0100"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:555;ext=4x2"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:863-1234;phone-context=+1-abc"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:863-1234;phone-context=+"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"tel:5550100\u0660"));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, Refused(L"http://example.com/tel:5550100"));

    // Bytes of a contact card: a NUL or a byte outside ASCII is no digit.
    WCHAR number[80];
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, ReadPhoneLinkBytes(number, 80, "tel:555\0" "0100", 12));
    EXPECT_EQ(PHONE_LINK_NO_NUMBER, ReadPhoneLinkBytes(number, 80, "tel:555\xD9\xA0", 9));
    EXPECT_EQ(PHONE_LINK_NUMBER, ReadPhoneLinkBytes(number, 80, "tel:555-0100;ext=2", 18));
    EXPECT_EQ(std::wstring(L"5550100p2"), number);
}

TEST(PhoneLinks, ANumberThatDoesNotFitIsRefusedNotCut)
{
    EXPECT_EQ(std::wstring(79, L'5'), Number(L"tel:" + std::wstring(79, L'5')));
    EXPECT_EQ(PHONE_LINK_TOO_LONG, Refused(L"tel:" + std::wstring(80, L'5')));
    EXPECT_EQ(PHONE_LINK_TOO_LONG, Refused(L"tel:" + std::wstring(75, L'5') + L";ext=1234"));
    EXPECT_EQ(PHONE_LINK_TOO_LONG, Refused(L"tel:" + std::wstring(70, L'5') + L";phone-context=+1234567890"));
    EXPECT_EQ(L"5550100", Number(L"tel:555" + std::wstring(2000, L'-') + L"0100")) << "separators take no room";
    EXPECT_EQ(PHONE_LINK_TOO_LONG, ReadLink(L"tel:5", 1).result);
    EXPECT_EQ(PHONE_LINK_TOO_LONG, ReadLink(L"tel:5", 0).result);
}

static std::wstring Written(const std::wstring &number, size_t capacity = 200)
{
    std::vector<WCHAR> link(capacity + 4, L'!');
    BOOL fits = WritePhoneLink(link.data(), capacity, number.c_str());
    for (size_t i = capacity; i < link.size(); i++)
        EXPECT_EQ(L'!', link[i]) << "written past the capacity";
    return fits ? std::wstring(link.data()) : L"refused: " + std::wstring(link.data());
}

TEST(PhoneLinks, CallsHandedOnAreLinksThatPhoneAppsRead)
{
    EXPECT_EQ(L"tel:+14155550199", Written(L"+14155550199"));
    EXPECT_EQ(L"tel:*31%235550100", Written(L"*31#5550100"));
    EXPECT_EQ(L"tel:5550100,42;7", Written(L"5550100p42w7"));
    EXPECT_EQ(L"tel:4155550100", Written(L"(415) 555-0100"));
    EXPECT_EQ(L"refused: ", Written(L"1-800-FLOWERS"));
    EXPECT_EQ(L"refused: ", Written(L"555\r\n0100"));
    EXPECT_EQ(L"refused: ", Written(L"555#", 10)) << "'#' takes three units";
    EXPECT_EQ(L"tel:555%23", Written(L"555#", 11));
    for (const wchar_t *number : {L"+14155550199", L"*31#5550100", L"5550100p42w7", L"#"})
        EXPECT_EQ(number, Number(Written(number)));
}

// Numbers as address books, phone-number libraries and people write them.
TEST(WrittenNumbers, ReadAsDialledOrNotAtAll)
{
    const struct {
        const wchar_t *written;
        PhoneLinkResult result;
        const wchar_t *number;
    } cases[] = {
        {L"+1 (415) 555-0100", PHONE_LINK_NUMBER, L"+14155550100"},
        {L"5551234p12w3", PHONE_LINK_NUMBER, L"5551234p12w3"},
        {L"*#06#", PHONE_LINK_NUMBER, L"*#06#"},
        {L"(800) 901-3355 x 7246433", PHONE_LINK_NUMBER, L"8009013355p7246433"},
        {L"(800) 901-3355 ,extension 7246433", PHONE_LINK_NUMBER, L"8009013355p7246433"},
        {L"(800) 901-3355 ext: 7246433", PHONE_LINK_NUMBER, L"8009013355p7246433"},
        {L"555-555-5555, Ext. 505", PHONE_LINK_NUMBER, L"5555555555p505"},
        {L"03 3316005 #3456", PHONE_LINK_NUMBER, L"033316005p3456"},
        {L"*31# 555 1234", PHONE_LINK_NUMBER, L"*31#5551234"},
        {L"555-0100,,42;7", PHONE_LINK_NUMBER, L"5550100pp42w7"},
        {L"1-800-FLOWERS", PHONE_LINK_NUMBER, L"18003569377"},
        {L"+44 800 GO FEDEX x 12", PHONE_LINK_NUMBER, L"+448004633339p12"},
        {L"1-800-Flowers", PHONE_LINK_NUMBER, L"18003569377"},
        {L"030/1234567", PHONE_LINK_NUMBER, L"0301234567"},
        {L"\xFF10\xFF13\x2010\x0663\x06F3\x3000\xFF11", PHONE_LINK_NUMBER, L"03331"},
        {L"tel:+1-555-0100;ext=42", PHONE_LINK_NUMBER, L"+15550100p42"},
        {L"555-1234 Home", PHONE_LINK_NO_NUMBER, L""},
        {L"FLOWERS", PHONE_LINK_NO_NUMBER, L""},
        {L"--help", PHONE_LINK_NO_NUMBER, L""},
        {L"sip:5551234@example.net", PHONE_LINK_NO_NUMBER, L""},
        {L"5551234@example.net", PHONE_LINK_NO_NUMBER, L""},
        {L"http://555-1234.example.com/", PHONE_LINK_NO_NUMBER, L""},
        {L"C:\\calls\\2024-05-01.log", PHONE_LINK_NO_NUMBER, L""},
        {L"555 / 1234", PHONE_LINK_NO_NUMBER, L""},
        {L"555\x200F 1234", PHONE_LINK_NO_NUMBER, L""},
        {L"5+55", PHONE_LINK_NO_NUMBER, L""},
        {L"x 12", PHONE_LINK_NO_NUMBER, L""},
        {L" - ( ) ", PHONE_LINK_NO_NUMBER, L""},
        {L"1-800-FLOWERS-AND-MORE-GIFTS", PHONE_LINK_NO_NUMBER, L""},
    };
    for (const auto &c : cases) {
        WCHAR number[80] = L"unchanged";
        EXPECT_EQ(c.result, ReadWrittenNumber(number, 80, c.written)) << Narrow(c.written);
        EXPECT_STREQ(c.number, number) << Narrow(c.written);
    }
    WCHAR small[8];
    EXPECT_EQ(PHONE_LINK_TOO_LONG, ReadWrittenNumber(small, 8, L"555-0100-12"));
    EXPECT_STREQ(L"", small) << "a number is never cut";
    EXPECT_EQ(PHONE_LINK_NUMBER, ReadWrittenNumber(small, 8, L"555-0100"));
}
