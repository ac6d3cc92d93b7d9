// The calls log: lines written by the cellular line's stand-in, and read
// back newest first from the end of a log that may hold older lines, junk,
// or only the tail of a bigger file.
#include <gtest/gtest.h>

#include <string>

#include "platform/calls_log.h"
#include "support/text_support.h"

using namespace std::string_literals;

namespace
{

const LoggedCallTime kTime = {2026, 12, 9, 14, 5, 9};
// A line of exactly CALLS_LOG_LINE_LIMIT bytes.
const std::string kLongest = std::string(CALLS_LOG_LINE_LIMIT - 2, '7') + "\t\n";

// Every call listed, newest first, as "number|name|time" lines in UTF-8.
std::string Listed(const std::string &log, BOOL startsMidLine)
{
    CallsLogReader reader;
    LoggedCall call;
    StartCallsLogReader(&reader, log.data(), log.size(), startsMidLine);
    std::string listed;
    while (ReadPreviousLoggedCall(&reader, &call))
        listed += Narrow(call.number) + "|" + Narrow(call.name) + "|" + Narrow(call.time) + "\n";
    return listed;
}

std::string Formatted(const WCHAR *number, const WCHAR *name, const LoggedCallTime &time, size_t capacity = 8192)
{
    std::string line(capacity, '#');
    size_t size = FormatLoggedCallLine(&line[0], capacity, number, name, &time);
    EXPECT_EQ(size, capacity ? std::string(line.c_str()).size() : 0) << "the size is the terminated line's";
    return line.substr(0, size);
}

TEST(CallsLog, ListsTheNewestFirstAndPassesOverWhatIsNoCall)
{
    const struct {
        std::string log;
        BOOL startsMidLine;
        std::string listed;
    } rows[] = {
        {"", FALSE, ""},
        {"1\tA\t2026-12-09T14:05:09\n2\tB\n3\tC\t2026-12-09T14:05:10\r\n", FALSE,
         "3|C|2026-12-09T14:05:10\n2|B|\n1|A|2026-12-09T14:05:09\n"},
        {"1\tA\t2026-02-30T00:00:00\n2\tB\t2026-12-09 14:05:09\n3\tC\t2026-12-09T24:00:00\n4\tD\t2024-02-29T23:59:59\n"
         "5\tE\t2026-12-09T14:05:09x\n",
         FALSE, "5|E|\n4|D|2024-02-29T23:59:59\n3|C|\n2|B|\n1|A|\n"},
        {"1\tA\n\0\0\xff\xff\n\xff\xfe\xff\n\xff\xfe\tJunk\n5\0\t5\n\t\tno number\n12\x7f\tX\n1\xc2\x85\tY\n2\tB\n"s, FALSE,
         "2|B|\n1|A|\n"},
        {"1\tZo\xc3\tq\x01r\n2\tB", FALSE, "1|Zo\xef\xbf\xbd|\n"},
        {"5\tcut off\n1\tA\n", TRUE, "1|A|\n"},
        // A line over the limit is passed over whole; one at the limit is
        // kept, its number cut.
        {"1\tA\n" + std::string(1 << 20, '7') + "\tX\n2\tB\n", FALSE, "2|B|\n1|A|\n"},
        {"1\tA\n7" + kLongest + "2\tB\n", FALSE, "2|B|\n1|A|\n"},
        {kLongest, FALSE, std::string(CALLS_LOG_TEXT_CAPACITY - 1, '7') + "||\n"},
        {"no line ends here", TRUE, ""},
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.listed, Listed(row.log, row.startsMidLine)) << "row " << &row - rows;
}

TEST(CallsLog, AFormattedLineReadsBackWhole)
{
    std::string line = Formatted(L"+15550100p42", L"Zo\u00eb \U0001F4DE \xD800!", kTime);
    EXPECT_EQ("+15550100p42\tZo\xc3\xab \xf0\x9f\x93\x9e \xef\xbf\xbd!\t2026-12-09T14:05:09\n", line);
    EXPECT_EQ("+15550100p42|Zo\xc3\xab \xf0\x9f\x93\x9e \xef\xbf\xbd!|2026-12-09T14:05:09\n4|D|\n",
              Listed("4\tD\n" + line, FALSE));
    EXPECT_EQ("911\t\t2024-02-29T00:00:00\n", Formatted(L"911", NULL, {2024, 2, 29, 0, 0, 0}));
}

TEST(CallsLog, FormatsNoLineThatWouldNotReadBackAsTheCall)
{
    const std::wstring wide(1400, L'\u4e2d');
    const struct {
        const WCHAR *number;
        const WCHAR *name;
        LoggedCallTime time;
    } rows[] = {
        {L"", L"A", kTime},
        {L"555\t1", L"", kTime},
        {L"5551234", L"A\nB", kTime},
        {L"5551234", L"\x85", kTime},
        {L"555\xD800", L"", kTime},
        {L"555\xFFFD", L"", kTime},
        {L"5551234", L"", {2026, 13, 1, 0, 0, 0}},
        {L"5551234", L"", {2025, 2, 29, 0, 0, 0}},
        {L"5551234", L"", {10000, 1, 1, 0, 0, 0}},
        {L"5551234", L"", {2026, 1, 1, 0, 60, 0}},
        {L"5551234", wide.c_str(), kTime},
    };
    for (const auto &row : rows)
        EXPECT_EQ("", Formatted(row.number, row.name, row.time)) << Narrow(row.number) << " " << Narrow(row.name);
    std::string line = Formatted(L"5551234", L"A", kTime);
    EXPECT_EQ(line, Formatted(L"5551234", L"A", kTime, line.size() + 1));
    EXPECT_EQ("", Formatted(L"5551234", L"A", kTime, line.size())) << "no room for the terminator";
    EXPECT_EQ("", Formatted(L"5551234", L"A", kTime, 0));
}

} // namespace
