// The callback services' text logic: the cookies, errors and access numbers
// read from their replies, and the requests built for them.
#include <gtest/gtest.h>
#include <string.h>
#include <wchar.h>

#include <string>

#include "dialing/service_text.h"
#include "support/service_replies.h"
#include "support/text_support.h"

TEST(CookieScan, PrefixNamesLastHeaderWinsEmptyValuesSkipped)
{
    WCHAR a[16] = L"", v[16] = L"", s[48] = L"";
    WantedCookie wanted[] = {{L"a_t", a, 16}, {L"v_s", v, 16}, {L"_session_id", s, 48}};
    ScanCookies(L"Set-Cookie: a_t=first;\r\nSet-Cookie: a_tx=second; path=/\r\n"
                L"Set-Cookie: v_s=;\r\nSet-Cookie: _session_id=S1\r\nX: y; z\r\n",
                wanted, 3);
    EXPECT_STREQ(L"second", a);
    EXPECT_STREQ(L"", v);
    EXPECT_STREQ(L"", s) << "a value without its own ';' runs to the next one, across a line break";
}

TEST(CookieScan, AValueHoldingALineBreakCountsAsMissing)
{
    WCHAR a[16] = L"";
    WantedCookie wanted = {L"a_t", a, 16};
    for (const wchar_t *reply : {L"Set-Cookie: a_t=A1\r\nX-Evil: 1;", L"Set-Cookie: a_t=A1\nX;",
                                 L"Set-Cookie: a_t=A\r1;", L"Set-Cookie: a_t=A1;\r\nSet-Cookie: a_t=A2\r\n;"}) {
        ScanCookies(reply, &wanted, 1);
        EXPECT_STREQ(L"", a) << "the last matching header's value is unusable";
    }
    ScanCookies(L"Set-Cookie: a_t=A1\r\n;Set-Cookie: a_t=A2;", &wanted, 1);
    EXPECT_STREQ(L"A2", a) << "a later header on its own line still sets the cookie";
}

TEST(CookieScan, MisspelledHeadersAndMisplacedSignsAreIgnored)
{
    WCHAR a[16] = L"";
    WantedCookie wanted = {L"a_t", a, 16};
    ScanCookies(L"set-cookie: a_t=1;\r\nSet-Cookie:a_t=2;\r\nSet-Cookie: a_t;x=3", &wanted, 1);
    EXPECT_STREQ(L"", a);
}

TEST(CookieScan, AValueTooLongForItsBufferCountsAsMissing)
{
    WCHAR a[16] = L"";
    WantedCookie wanted = {L"a_t", a, 16};
    ScanCookies(L"Set-Cookie: a_t=123456789012345;", &wanted, 1);
    EXPECT_STREQ(L"123456789012345", a);
    ScanCookies(L"Set-Cookie: a_t=1234567890123456;", &wanted, 1);
    EXPECT_STREQ(L"", a);
}

TEST(JaJahErrorText, RunsToTheNextTagOrTheEnd)
{
    EXPECT_EQ(58u, strlen(JAJAH_ERROR));
    WCHAR text[ERROR_TEXT_CAPACITY];
    std::wstring marker(JAJAH_ERROR, JAJAH_ERROR + 58);
    ExtractJaJahError((L"x" + marker + L" Bad number\r\n").c_str(), text, ERROR_TEXT_CAPACITY);
    EXPECT_STREQ(L" Bad number\r\n", text);
    ExtractJaJahError((marker + std::wstring(400, L'e')).c_str(), text, ERROR_TEXT_CAPACITY);
    EXPECT_EQ(std::wstring(259, L'e'), text);
}

TEST(PhoneComReply, AccessNumberFollowsABlankLine)
{
    WCHAR number[ACCESS_NUMBER_CAPACITY];
    EXPECT_EQ(S_OK, ParseAccessNumber(L"HTTP/1.0 200 OK\r\n\r\n+18005551234\r\n", number, ACCESS_NUMBER_CAPACITY));
    EXPECT_STREQ(L"+18005551234", number);
    EXPECT_EQ(S_OK, ParseAccessNumber(L"X\r\n\r\nbusy\r\n\r\n+18005550000", number, ACCESS_NUMBER_CAPACITY));
    EXPECT_STREQ(L"+18005550000", number);
    EXPECT_EQ(S_OK, ParseAccessNumber(L"\r\n\r\n+123456789012345", number, ACCESS_NUMBER_CAPACITY));
    EXPECT_STREQ(L"+12345678901", number) << "sixteen characters after the blank line are accepted, twelve kept";
    EXPECT_EQ(E_FAIL, ParseAccessNumber(L"\r\n\r\n+1234567890123456", number, ACCESS_NUMBER_CAPACITY));
    EXPECT_EQ(E_FAIL, ParseAccessNumber(L"HTTP/1.0 200 OK\r\n\r\n18005551234", number, ACCESS_NUMBER_CAPACITY));
}

TEST(PhoneComReply, OnlyAPlusAndElevenDigitsAreAnAccessNumber)
{
    WCHAR number[ACCESS_NUMBER_CAPACITY] = L"kept";
    for (const wchar_t *body : {L"+1", L"+1800", L"+1800555123", L"+1ABCDEFGHIJ", L"+1800555123x", L"+1800 555 1234",
                                L"+1800\t5551234", L"+1800\r\n5551234", L"+1\x1b[2J5551234", L"+1\uff18005551234"}) {
        EXPECT_EQ(E_FAIL, ParseAccessNumber((std::wstring(L"\r\n\r\n") + body).c_str(), number, ACCESS_NUMBER_CAPACITY))
            << Narrow(body);
    }
    EXPECT_STREQ(L"kept", number) << "a rejected reply leaves the buffer alone";
}

// Found by fuzzing: a form body too long for its buffer left the request
// buffer unwritten, unterminated, for whoever looked at it next.
TEST(ServiceRequests, ABodyThatDoesNotFitLeavesAnEmptyRequest)
{
    std::wstring longName(200, L'j');
    WCHAR request[1024];
    for (int i = 0; i < 3; i++) {
        wmemset(request, L'#', 1024);
        BOOL fits = i == 0   ? BuildGrandCentralLogin(request, 1024, longName.c_str(), L"pw")
                    : i == 1 ? BuildJaJahLogin(request, 1024, longName.c_str(), L"pw")
                             : BuildPhoneComRequest(request, 1024, longName.c_str(), L"1", L"pw", L"5551234");
        EXPECT_FALSE(fits) << i;
        EXPECT_STREQ(L"", request) << i;
    }
    EXPECT_TRUE(BuildGrandCentralLogin(request, 1024, L"jane", L"pw"));
    EXPECT_NE(nullptr, wcsstr(request, L"account%5Busername%5D=jane&account%5Bpassword%5D=pw"));
}
