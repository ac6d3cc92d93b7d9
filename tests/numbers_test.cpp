#include <gtest/gtest.h>

#include <string>

#include "dialing/numbers.h"

static std::wstring Filter(const wchar_t *source, size_t capacity = NUMBER_CAPACITY)
{
    WCHAR out[NUMBER_CAPACITY];
    FilterDialable(out, source, capacity);
    return out;
}

static std::wstring International(const wchar_t *number, const wchar_t *countryCode, size_t capacity = NUMBER_CAPACITY)
{
    WCHAR text[NUMBER_CAPACITY];
    wcscpy(text, number);
    ToInternationalWithCode(text, capacity, countryCode);
    return text;
}

TEST(FilterDialable, KeepsOnlyDialableCharacters)
{
    EXPECT_EQ(L"800555121212", Filter(L"(800) 555-1212 x12"));
    EXPECT_EQ(L"555p123w4", Filter(L"555p123w4"));
    EXPECT_EQ(L"555123", Filter(L"555P123"));
    EXPECT_EQ(L"+*#", Filter(L"+*#"));
    EXPECT_EQ(L"", Filter(L"-name"));
}

TEST(FilterDialable, TheBoundCountsSourcePositionsNotKeptCharacters)
{
    EXPECT_EQ(L"12", Filter(L"1-2-3-4-5", 5));
    std::wstring longNumber(200, L'7');
    EXPECT_EQ(std::wstring(79, L'7'), Filter(longNumber.c_str()));
}

TEST(ReduceToDialable, LooksAtTheWholeNumberAndRefusesToCutIt)
{
    WCHAR out[NUMBER_CAPACITY];
    EXPECT_TRUE(ReduceToDialable(out, NUMBER_CAPACITY, L"(415) 555-0100"));
    EXPECT_EQ(std::wstring(L"4155550100"), out);
    EXPECT_TRUE(ReduceToDialable(out, NUMBER_CAPACITY, L"415\r\nX-Evil: 0\r\n555-0100"));
    EXPECT_EQ(std::wstring(L"41505550100"), out) << "only the dialable characters, whatever surrounds them";
    // Separators beyond the first 79 units do not hide the digits after them.
    std::wstring spaced = std::wstring(100, L' ') + L"5550100";
    EXPECT_TRUE(ReduceToDialable(out, NUMBER_CAPACITY, spaced.c_str()));
    EXPECT_EQ(std::wstring(L"5550100"), out);
    std::wstring tooLong(80, L'5');
    EXPECT_FALSE(ReduceToDialable(out, NUMBER_CAPACITY, tooLong.c_str()));
    EXPECT_EQ(std::wstring(L""), out) << "never cut to another number";
    EXPECT_TRUE(ReduceToDialable(out, NUMBER_CAPACITY, tooLong.c_str() + 1));
    EXPECT_EQ(79u, wcslen(out));
}

TEST(ToInternational, HomeCountryOne)
{
    EXPECT_EQ(L"+442071234567", International(L"+442071234567", L"1"));
    EXPECT_EQ(L"+18005551212", International(L"18005551212", L"1"));
    EXPECT_EQ(L"+18005551212", International(L"8005551212", L"1"));
    EXPECT_EQ(L"+1234567", International(L"1234567", L"1"));
}

TEST(ToInternational, OtherAndEmptyCountryCodes)
{
    EXPECT_EQ(L"+4402071234567", International(L"02071234567", L"44"));
    EXPECT_EQ(L"+123", International(L"123", L""));
    EXPECT_EQ(L"+1", International(L"", L"1"));
}

TEST(ToInternational, CutsToTheCapacity)
{
    EXPECT_EQ(L"+180", International(L"8005551212", L"1", 5));
    std::wstring longNumber(79, L'5');
    EXPECT_EQ(L"+1" + std::wstring(77, L'5'), International(longNumber.c_str(), L"1"));
}
