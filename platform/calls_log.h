// The calls log that the cellular line's stand-in keeps (calls.log) and the
// companion lists recent calls from: one line per call,
// "number<TAB>name<TAB>time<LF>" in UTF-8, the time local and written
// YYYY-MM-DDTHH:MM:SS. Logs written before the time column have
// "number<TAB>name<LF>" lines, and are read as well.
//
// Pure, like the vCard reader: no platform call, no allocation, fixed
// buffers only, so that it builds natively and is fed hostile input there.
#pragma once
#include <stddef.h>

#include "base/portable_types.h"

// Units of a listed number or name, terminator included; a longer text is
// cut at a character boundary.
#define CALLS_LOG_TEXT_CAPACITY 260
// Units of a listed time: "YYYY-MM-DDTHH:MM:SS" and its terminator.
#define CALLS_LOG_TIME_CAPACITY 20
// How much of the end of a bigger log is read to list its recent calls.
#define CALLS_LOG_TAIL_BYTES (256u << 10)
// Bytes of one line, its LF included: a longer line is passed over whole,
// and the formatter writes none.
#define CALLS_LOG_LINE_LIMIT 4096

// A moment of local time, as the system gives it (SYSTEMTIME's fields).
struct LoggedCallTime {
    WORD year;
    WORD month;
    WORD day;
    WORD hour;
    WORD minute;
    WORD second;
};

// The call's whole line, LF included, into out as UTF-8 and terminated, so
// that it goes to the file in one write and racing writers never interleave
// their lines. Returns its size in bytes, terminator left out; 0 (and an
// empty out) when the number is empty, a text holds a control character or
// the number a surrogate or U+FFFD (the line would not read back as this
// call), the time is no valid one,
// or the line does not fit capacity or CALLS_LOG_LINE_LIMIT. name may be
// NULL: no name.
size_t FormatLoggedCallLine(char *out, size_t capacity, const WCHAR *number, const WCHAR *name,
                            const LoggedCallTime *time);

struct LoggedCall {
    WCHAR number[CALLS_LOG_TEXT_CAPACITY];
    WCHAR name[CALLS_LOG_TEXT_CAPACITY];
    // Empty when the line has no time column or it is no valid time.
    WCHAR time[CALLS_LOG_TIME_CAPACITY];
};

// The reader's position in bytes that stay in place while it is used.
struct CallsLogReader {
    const char *bytes;
    // Where the first line that may be listed begins.
    size_t first;
    // Where the lines not read yet end.
    size_t end;
};

// Starts reading the bytes from their end. With startsMidLine (the bytes
// are the end of a bigger log), everything up to the first LF is passed
// over, as it may be a line's end only: a caller that reads one byte more
// before the tail keeps a first line that happens to be whole.
void StartCallsLogReader(CallsLogReader *reader, const char *bytes, size_t length, BOOL startsMidLine);

// Fills call with the line before the last one read (the newest call
// first) and returns TRUE, or returns FALSE when no call is left. Invalid
// UTF-8 in a name reads as U+FFFD; a CR before the LF is no part of the
// line. Passed over: a last line without its LF (still being written, or
// cut off), a line longer than CALLS_LOG_LINE_LIMIT, one without a TAB, and
// one whose number is empty, holds a control character or is no UTF-8, so
// that binary junk lists nothing. A NUL in a name is left out and its other
// control characters read as spaces. The work is linear in the bytes.
BOOL ReadPreviousLoggedCall(CallsLogReader *reader, LoggedCall *call);
