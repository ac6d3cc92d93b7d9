#include <gtest/gtest.h>

#include "base/text.h"

TEST(BoundedText, CopyCutsToCapacityAndTerminates)
{
    WCHAR buffer[6];
    wmemset(buffer, L'#', 6);
    EXPECT_FALSE(TextCopy(buffer, 4, L"abcdef"));
    EXPECT_STREQ(L"abc", buffer);
    EXPECT_EQ(L'#', buffer[4]) << "wrote past the capacity";
    EXPECT_TRUE(TextCopy(buffer, 6, L"abcde"));
    EXPECT_STREQ(L"abcde", buffer);
}

TEST(BoundedText, ZeroAndOneUnitCapacities)
{
    WCHAR buffer[2] = {L'x', L'y'};
    EXPECT_FALSE(TextCopy(buffer, 0, L"abc"));
    EXPECT_EQ(L'x', buffer[0]);
    EXPECT_FALSE(TextCopy(buffer, 1, L"abc"));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(L'y', buffer[1]);
    EXPECT_TRUE(TextCopy(buffer, 1, L""));
}

TEST(BoundedText, CopyCountStopsAtTheCountOrTheTerminator)
{
    WCHAR buffer[10];
    EXPECT_TRUE(TextCopyCount(buffer, 10, L"abcdef", 3));
    EXPECT_STREQ(L"abc", buffer);
    EXPECT_TRUE(TextCopyCount(buffer, 10, L"ab", 5));
    EXPECT_STREQ(L"ab", buffer);
    // A source without a terminator is read only up to the count.
    const WCHAR unterminated[3] = {L'x', L'y', L'z'};
    EXPECT_TRUE(TextCopyCount(buffer, 10, unterminated, 3));
    EXPECT_STREQ(L"xyz", buffer);
}

TEST(BoundedText, AppendFillsAndCuts)
{
    WCHAR buffer[8] = L"abc";
    EXPECT_TRUE(TextAppend(buffer, 8, L"de"));
    EXPECT_STREQ(L"abcde", buffer);
    EXPECT_FALSE(TextAppend(buffer, 8, L"fghij"));
    EXPECT_STREQ(L"abcdefg", buffer);
    EXPECT_FALSE(TextAppend(buffer, 8, L"z"));
    EXPECT_STREQ(L"abcdefg", buffer);
}

TEST(BoundedText, AppendToAnUnterminatedBufferTerminatesIt)
{
    WCHAR buffer[4] = {L'a', L'b', L'c', L'd'};
    EXPECT_FALSE(TextAppend(buffer, 4, L"e"));
    EXPECT_STREQ(L"abc", buffer);
}

TEST(BoundedText, FormatTakesWideStringsAndNumbers)
{
    WCHAR buffer[32];
    EXPECT_TRUE(TextFormat(buffer, 32, L"+%s%s", L"44", L"2071234567"));
    EXPECT_STREQ(L"+442071234567", buffer);
    EXPECT_TRUE(TextFormat(buffer, 32, L"service%dtype", 5));
    EXPECT_STREQ(L"service5type", buffer);
    EXPECT_TRUE(TextFormat(buffer, 32, L"%d", -3));
    EXPECT_STREQ(L"-3", buffer);
}

TEST(BoundedText, FormatCutsAndTerminates)
{
    WCHAR buffer[8];
    wmemset(buffer, L'#', 8);
    EXPECT_FALSE(TextFormat(buffer, 5, L"from: %s", L"+14155550100"));
    EXPECT_STREQ(L"from", buffer);
    EXPECT_EQ(L'#', buffer[5]);
    // Exactly filling the buffer fits.
    EXPECT_TRUE(TextFormat(buffer, 5, L"%s", L"abcd"));
    EXPECT_STREQ(L"abcd", buffer);
}

TEST(BoundedText, ParseDecimalLikeTheStoredSettingsNeed)
{
    EXPECT_EQ(7, ParseDecimal(L"7"));
    EXPECT_EQ(12, ParseDecimal(L"  +12abc"));
    EXPECT_EQ(-4, ParseDecimal(L"-4"));
    EXPECT_EQ(0, ParseDecimal(L"abc"));
    EXPECT_EQ(0, ParseDecimal(L""));
    EXPECT_EQ(0, ParseDecimal(L"-"));
    EXPECT_EQ(2147483647, ParseDecimal(L"99999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, ParseDecimal(L"-99999999999999999999"));
}

TEST(BoundedText, PathTrimming)
{
    WCHAR path[64] = L"\\Program Files\\Zembrik\\Zembrik.exe";
    TrimToFolder(path);
    EXPECT_STREQ(L"\\Program Files\\Zembrik\\", path);
    WCHAR module[64] = L"\\Program Files\\Zembrik\\Zembrik.exe";
    TrimToParentFolder(module);
    EXPECT_STREQ(L"\\Program Files\\", module);
    WCHAR bare[16] = L"Zembrik.exe";
    TrimToParentFolder(bare);
    EXPECT_STREQ(L"Zembrik.exe", bare);
}
