#include <gtest/gtest.h>

#include <string>

#include "dialing/numbers.h"
#include "support/text_support.h"

static std::wstring Shape(const std::wstring &number, const std::wstring &plan = DEFAULT_DIAL_PLAN)
{
    WCHAR out[NUMBER_CAPACITY];
    wmemset(out, L'#', NUMBER_CAPACITY);
    FormatWithDialPlan(out, NUMBER_CAPACITY, number.c_str(), plan.c_str());
    return out;
}

TEST(DialPlan, DefaultPlanShapesTheWorkedExamples)
{
    const struct {
        const wchar_t *number;
        const wchar_t *shown;
    } rows[] = {
        {L"", L""},
        {L"5", L"5"},
        {L"555", L"555"},
        {L"2345", L"234-5"},
        {L"5551234", L"555-1234"},
        {L"55512345", L"(555) 123-45"},
        {L"5551234567", L"(555) 123-4567"},
        {L"15551234567", L"1 (555) 123-4567"},
        {L"1", L"1"},
        {L"12", L"1 (2  )"},
        {L"1234567", L"1 (234) 567"},
        {L"+1", L"+1"},
        {L"+15551234567", L"+1 555 123 4567"},
        {L"25551234567", L"25551234567"},
        {L"555123456789", L"555123456789"},
        {L"+445551234567", L"+445551234567"},
        {L"*86", L"*86"},
        {L"+", L"+"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(std::wstring(row.shown), Shape(row.number)) << "number " << Narrow(row.number);
}

TEST(DialPlan, OnlySpacesAndDashesAreTrimmed)
{
    EXPECT_EQ(L"555.   .", Shape(L"555", L"NNN.NNN.NNNN"));
}

TEST(DialPlan, AnUnreachedParenthesisGroupIsCut)
{
    EXPECT_EQ(L"", Shape(L"555", L"(_NNN_)"));
}

TEST(DialPlan, SeparatorsEndPatternsAndEncloseEmptyOnes)
{
    const std::wstring plan = L"NNN-NNNN\r\n(NNN) NNN-NNNN";
    EXPECT_EQ(L"555-1234", Shape(L"5551234", plan));
    EXPECT_EQ(L"(555) 123-4567", Shape(L"5551234567", plan));
    EXPECT_EQ(L"", Shape(L"", L"1NNN;;NNN"));
    EXPECT_EQ(L"", Shape(L"", L"1NNN;"));
}

TEST(DialPlan, ALiteralThatDiffersFailsThePattern)
{
    // The failed pattern's output is dropped; the next starts afresh.
    EXPECT_EQ(L"12", Shape(L"12", L"1NN5;1N"));
    EXPECT_EQ(L"2345", Shape(L"2345", L"1NNN"));
    EXPECT_EQ(L"1-345", Shape(L"1345", L"1-NNN"));
}

TEST(DialPlan, LettersOfTheNumberAreNeverConsumed)
{
    EXPECT_EQ(L"5551234567p1", Shape(L"5551234567p1"));
    EXPECT_EQ(L"555w", Shape(L"555w", L"NNNN;NNN"));
}

TEST(DialPlan, EmptyPlanShowsEveryNumberRaw)
{
    EXPECT_EQ(L"", Shape(L"", L""));
    EXPECT_EQ(L"5551234", Shape(L"5551234", L""));
}

TEST(DialPlan, LowerCaseNIsDecoration)
{
    EXPECT_EQ(L"n5", Shape(L"5", L"nN"));
}

TEST(DialPlan, APlanOfMaximumLengthIsUsedWhole)
{
    // 1023 characters: a long run of patterns that never match, then the
    // one that does, right at the end.
    std::wstring plan;
    while (plan.size() + 5 < 1023 - 9)
        plan += L"9NNN;";
    plan.append(1023 - 9 - plan.size(), L';');
    plan += L"NNN*NNNN#";
    ASSERT_EQ(1023u, plan.size());
    EXPECT_EQ(L"555*1234#", Shape(L"555*1234#", plan));
}

TEST(DialPlan, APatternTooLongForTheDisplayDoesNotMatch)
{
    std::wstring longPattern = L"NNN" + std::wstring(100, L'.');
    EXPECT_EQ(L"555-1", Shape(L"5551", longPattern + L";NNN-N"));
    std::wstring exact = L"NNN" + std::wstring(76, L'.');
    EXPECT_EQ(exact.size(), 79u);
    EXPECT_EQ(L"555" + std::wstring(76, L'.'), Shape(L"555", exact));
    EXPECT_EQ(L"555", Shape(L"555", exact + L"."));
}
