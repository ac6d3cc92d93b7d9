// The text logic's own versions of what the system does for it, checked
// against Windows' own: on the phone and in the native builds they stand in
// for the system's, so they must give what it gives.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/text.h"
#include "dialing/service_text.h"
#include "display/layout_math.h"

// The program's own formatter gives what msvcrt's gives, for each of the
// conversions the program uses.
TEST(BoundedText, FormatMatchesTheRuntimeForEveryConversionUsed)
{
    const struct {
        const wchar_t *format;
        const wchar_t *text;
        int number;
    } cases[] = {
        {L"%s", L"", 0},
        {L"from: %s\nto: %s", L"+14155550100", 0},
        {L"service%dtype", NULL, 5},
        {L"%d", NULL, -2147483647 - 1},
        {L"%d", NULL, 2147483647},
        {L"%d", NULL, 0},
        {L"unable to connect: 0x%x", NULL, 0x21},
        {L"%x", NULL, -1},
        {L"account%%5Busername%%5D=%s", L"j\u00e9 ne", 0},
        {L"100%%", NULL, 0},
    };
    for (const auto &c : cases) {
        WCHAR ours[128], theirs[128];
        if (c.text) {
            TextFormat(ours, 128, c.format, c.text, c.text);
            _snwprintf(theirs, 128, c.format, c.text, c.text);
        } else {
            TextFormat(ours, 128, c.format, c.number);
            _snwprintf(theirs, 128, c.format, c.number);
        }
        EXPECT_STREQ(theirs, ours) << c.format;
    }
    WCHAR ours[16];
    TextFormat(ours, 16, L"[%s]", (const WCHAR *)NULL);
    EXPECT_STREQ(L"[(null)]", ours);
}

TEST(LayoutArithmetic, MultiplyDivideRoundsAsTheSystemDoes)
{
    const int values[] = {0, 1, 2, 3, 5, 13, 40, 48, 95, 96, 131, 192, -1, -3, -40, -131, 2147483647, -2147483647};
    const int divisors[] = {96, 2, 3, -2, -96, 7};
    for (int a : values) {
        for (int b : {1, 2, 131, 192, -3, 300}) {
            for (int c : divisors)
                EXPECT_EQ(MulDiv(a, b, c), MultiplyDivide(a, b, c)) << a << " * " << b << " / " << c;
        }
    }
    EXPECT_EQ(MulDiv(5, 3, 0), MultiplyDivide(5, 3, 0));
}

// The services' code page against the system's own conversion, unit by unit
// and byte by byte.
TEST(ServiceCodePage, MatchesTheSystemsWindows1252)
{
    for (unsigned unit = 1; unit < 0x10000; unit++) {
        WCHAR text[2] = {(WCHAR)unit, 0};
        char ours[2];
        ToServiceBytes(ours, 2, text);
        char theirs = '?';
        BOOL unmappable = FALSE;
        if (WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text, 1, &theirs, 1, "?", &unmappable) != 1 || unmappable)
            theirs = '?';
        ASSERT_EQ(theirs, ours[0]) << std::hex << unit;
    }
    for (unsigned byte = 1; byte < 256; byte++) {
        char bytes[1] = {(char)byte};
        WCHAR ours[2];
        FromServiceBytes(ours, 2, bytes, 1);
        WCHAR theirs = (WCHAR)byte;
        if (MultiByteToWideChar(1252, 0, bytes, 1, &theirs, 1) != 1)
            theirs = (WCHAR)byte;
        ASSERT_EQ(theirs, ours[0]) << std::hex << byte;
    }
}
