#include "platform/calls_log.h"

#include "base/text.h"
#include "platform/vcard_values.h"
#include "platform/vcard_writer.h"

// "YYYY-MM-DDTHH:MM:SS"
#define TIME_SIZE 19

namespace
{

// The same controls in UTF-8 bytes, before decoding makes them spaces: a C1
// control is C2 80 to C2 9F.
BOOL HoldsControlByte(const char *bytes, size_t size)
{
    for (size_t i = 0; i < size; i++) {
        unsigned char byte = (unsigned char)bytes[i];
        if (byte < 0x20 || byte == 0x7F)
            return TRUE;
        if (byte == 0xC2 && i + 1 < size && (unsigned char)bytes[i + 1] >= 0x80 && (unsigned char)bytes[i + 1] <= 0x9F)
            return TRUE;
    }
    return FALSE;
}

BOOL IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

unsigned DigitsAt(const char *text, size_t at, size_t count)
{
    unsigned value = 0;
    for (size_t i = 0; i < count; i++)
        value = value * 10 + (unsigned)(text[at + i] - '0');
    return value;
}

unsigned DaysInMonth(unsigned year, unsigned month)
{
    static const unsigned char days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    BOOL leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// The one test of a time column, for what is read and what is written.
BOOL IsLoggedTime(const char *text, size_t size)
{
    static const char pattern[] = "0000-00-00T00:00:00";
    if (size != TIME_SIZE)
        return FALSE;
    for (size_t i = 0; i < TIME_SIZE; i++) {
        if (pattern[i] == '0' ? !IsDigit(text[i]) : text[i] != pattern[i])
            return FALSE;
    }
    unsigned year = DigitsAt(text, 0, 4), month = DigitsAt(text, 5, 2), day = DigitsAt(text, 8, 2);
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return FALSE;
    return DigitsAt(text, 11, 2) < 24 && DigitsAt(text, 14, 2) < 60 && DigitsAt(text, 17, 2) < 60;
}

void PutDigits(char *out, unsigned value, size_t count)
{
    for (size_t i = count; i > 0; i--) {
        out[i - 1] = (char)('0' + value % 10);
        value /= 10;
    }
}

// A field too big for its digits is refused rather than cut to another
// valid time.
BOOL FormatTime(char *out, const LoggedCallTime *time)
{
    const unsigned values[6] = {time->year, time->month, time->day, time->hour, time->minute, time->second};
    size_t at = 0;
    for (size_t i = 0; i < 6; i++) {
        size_t width = i == 0 ? 4 : 2;
        if (values[i] >= (i == 0 ? 10000u : 100u))
            return FALSE;
        if (i > 0)
            out[at++] = "--T::"[i - 1];
        PutDigits(out + at, values[i], width);
        at += width;
    }
    return IsLoggedTime(out, TIME_SIZE);
}

// A line being written: once a piece does not fit, used stays above limit
// and nothing more is written.
struct LineOut {
    char *bytes;
    size_t limit;
    size_t used;
};

void PutBytes(LineOut *line, const char *bytes, size_t size)
{
    for (size_t i = 0; i < size && line->used + size <= line->limit; i++)
        line->bytes[line->used + i] = bytes[i];
    line->used += size;
}

void PutText(LineOut *line, const WCHAR *text)
{
    size_t room = line->used < line->limit ? line->limit - line->used : 0;
    line->used += Utf16ToUtf8(room ? line->bytes + line->used : NULL, room, text, TextLength(text));
}

// A column's bytes decoded into text; the cut keeps whole characters.
void DecodeColumn(WCHAR *text, size_t capacity, const char *bytes, size_t size)
{
    WideText out = StartText(text, capacity);
    Bytes column = {bytes, size};
    Charset utf8 = {CHARSET_UTF8, 0};
    PutDecoded(&out, column, utf8);
}

size_t FindByte(const char *bytes, size_t size, char byte)
{
    size_t i = 0;
    while (i < size && bytes[i] != byte)
        i++;
    return i;
}

// One line without its LF into call; FALSE when it is no call's.
BOOL ReadLine(const char *line, size_t size, LoggedCall *call)
{
    if (size > 0 && line[size - 1] == '\r')
        size--;
    size_t tab = FindByte(line, size, '\t');
    if (tab == size || HoldsControlByte(line, tab))
        return FALSE;
    DecodeColumn(call->number, CALLS_LOG_TEXT_CAPACITY, line, tab);
    // Bytes that are no UTF-8 were never a number that was called.
    if (!call->number[0] || TextFindUnit(call->number, 0xFFFD))
        return FALSE;
    const char *rest = line + tab + 1;
    size_t restSize = size - tab - 1;
    size_t nameSize = FindByte(rest, restSize, '\t');
    DecodeColumn(call->name, CALLS_LOG_TEXT_CAPACITY, rest, nameSize);
    call->time[0] = 0;
    if (nameSize < restSize) {
        // Columns a later writer may add after the time are left to it.
        const char *time = rest + nameSize + 1;
        size_t timeSize = FindByte(time, restSize - nameSize - 1, '\t');
        if (IsLoggedTime(time, timeSize)) {
            for (size_t i = 0; i < TIME_SIZE; i++)
                call->time[i] = (WCHAR)time[i];
            call->time[TIME_SIZE] = 0;
        }
    }
    return TRUE;
}

// A surrogate is half a character, and U+FFFD what a reader makes of bytes
// that were none: a number holding either was never one that was called,
// and the reader passes such a line over.
BOOL HoldsNoCharacter(const WCHAR *text)
{
    for (; *text; text++) {
        if ((*text >= 0xD800 && *text <= 0xDFFF) || *text == 0xFFFD)
            return TRUE;
    }
    return FALSE;
}

} // namespace

size_t FormatLoggedCallLine(char *out, size_t capacity, const WCHAR *number, const WCHAR *name,
                            const LoggedCallTime *time)
{
    if (capacity == 0)
        return 0;
    out[0] = 0;
    if (!name)
        name = L"";
    char stamp[TIME_SIZE];
    if (!number || !number[0] || TextHoldsControl(number) || TextHoldsControl(name) || HoldsNoCharacter(number) ||
        !FormatTime(stamp, time))
        return 0;
    LineOut line = {out, capacity - 1 < CALLS_LOG_LINE_LIMIT ? capacity - 1 : CALLS_LOG_LINE_LIMIT, 0};
    PutText(&line, number);
    PutBytes(&line, "\t", 1);
    PutText(&line, name);
    PutBytes(&line, "\t", 1);
    PutBytes(&line, stamp, TIME_SIZE);
    PutBytes(&line, "\n", 1);
    if (line.used > line.limit) {
        out[0] = 0;
        return 0;
    }
    out[line.used] = 0;
    return line.used;
}

void StartCallsLogReader(CallsLogReader *reader, const char *bytes, size_t length, BOOL startsMidLine)
{
    reader->bytes = bytes;
    reader->end = length;
    reader->first = 0;
    if (startsMidLine) {
        size_t lf = FindByte(bytes, length, '\n');
        reader->first = lf < length ? lf + 1 : length;
    }
}

BOOL ReadPreviousLoggedCall(CallsLogReader *reader, LoggedCall *call)
{
    // Each byte is looked at once on the way back, and a line short enough
    // to be a call's once more to read it.
    while (reader->end > reader->first) {
        size_t end = reader->end;
        size_t start = end - 1;
        while (start > reader->first && reader->bytes[start - 1] != '\n')
            start--;
        reader->end = start;
        BOOL ended = reader->bytes[end - 1] == '\n';
        if (ended && end - start <= CALLS_LOG_LINE_LIMIT && ReadLine(reader->bytes + start, end - 1 - start, call))
            return TRUE;
    }
    return FALSE;
}
