#include <gtest/gtest.h>

#include <string>

#include "dialing/numbers.h"
#include "pellomar/contact_search.h"
#include "support/text_support.h"

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

TEST(ContactSearch, NamesNumbersAndKeypadLetters)
{
    struct Case {
        const wchar_t *name, *number, *typed;
        BOOL expected;
    };
    static const Case cases[] = {
        {L"Jane Doe", L"555-0100", L"  \t ", TRUE},
        {L"Jos\x00E9 Ramos", L"", L"jose", TRUE},
        {L"Zo\x00EB Hart", L"", L"ZOE", TRUE},
        {L"Anders \x00C5ngstr\x00F6m", L"", L"angstrom", TRUE},
        {L"\x0141\x00F3" L"d\x017A office", L"", L"LODZ", TRUE},
        {L"Hauptstra\x00DF" L"e", L"", L"strasse", TRUE},
        {L"Jose", L"", L" Jos\x00C9  ", TRUE},
        {L"Jane Doe", L"", L"jane  doe", FALSE},
        {L"", L"(555) 123-4567", L"5551234", TRUE},
        {L"", L"5551234567", L"123-45", TRUE},
        {L"", L"+1 415 555 0100", L"(+1) 415", TRUE},
        {L"", L"555-1234 ext. 12", L"123412", FALSE},
        {L"", L"1-800-FLOWERS", L"flowers", TRUE},
        {L"", L"1-800-FLOWERS", L"3569377", TRUE},
        {L"", L"5550100", L"555 01a", FALSE},
        {L"Jane", L"5550100", L"-", FALSE},
        {L"Jan", L"", L"526", TRUE},
        {L"Mary Jane", L"", L"526", TRUE},
        {L"Ajan", L"555-0100", L"526", FALSE},
        {L"J\x00E1n", L"", L"526", TRUE},
        {L"Dr.Who", L"", L"946", TRUE},
        {L"Smith-Jones", L"", L"5663", TRUE},
        {L"O'Brien", L"", L"627", TRUE},
        {L"Jan", L"", L"5267", FALSE},
        {L"Mary Jane", L"", L"62795", FALSE},
        {L"Jan", L"", L"5 2 6", FALSE},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.expected, ContactMatchesSearch(c.name, c.number, c.typed)) << Narrow(c.name) << " / " << Narrow(c.typed);
    std::wstring past(CONTACT_SEARCH_UNITS, L' ');
    EXPECT_FALSE(ContactMatchesSearch((past + L"Jane").c_str(), L"", L"jane")) << "only the first units are looked at";
}
