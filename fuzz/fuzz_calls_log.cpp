// The calls log's reader over random bytes: every listed call's texts are
// terminated within their buffers, its number is not empty and no text
// holds a control character, its time is empty or of the written form, and
// each call takes bytes of its own. A line made by the formatter, written
// after whatever the log held, is the newest call read back: the same
// number, name and time (a lone surrogate of the name as U+FFFD; a number
// with one is refused).
#include <stdio.h>

#include <memory>
#include <string>

#include "base/text.h"
#include "fuzz/fuzz_input.h"
#include "platform/calls_log.h"

static void CheckTime(const WCHAR *time)
{
    size_t length = CheckedText(time, CALLS_LOG_TIME_CAPACITY);
    FUZZ_CHECK(length == 0 || length == 19);
    const char *form = "0000-00-00T00:00:00";
    for (size_t i = 0; i < length; i++)
        FUZZ_CHECK(form[i] == '0' ? time[i] >= L'0' && time[i] <= L'9' : time[i] == (WCHAR)form[i]);
}

// The text as it reads back: a lone surrogate has no UTF-8 form.
static std::vector<WCHAR> AsWritten(const std::vector<WCHAR> &text)
{
    std::vector<WCHAR> written(text);
    for (size_t i = 0; written[i] != 0; i++) {
        bool high = written[i] >= 0xD800 && written[i] <= 0xDBFF;
        bool low = written[i] >= 0xDC00 && written[i] <= 0xDFFF;
        if (high && written[i + 1] >= 0xDC00 && written[i + 1] <= 0xDFFF)
            i++;
        else if (high || low)
            written[i] = 0xFFFD;
    }
    return written;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto reader = std::make_unique<CallsLogReader>();
    auto call = std::make_unique<LoggedCall>();
    StartCallsLogReader(reader.get(), (const char *)data, size, size > 0 && (data[0] & 1));
    size_t calls = 0;
    while (ReadPreviousLoggedCall(reader.get(), call.get())) {
        // A call's line holds at least a number unit, a TAB and its LF.
        FUZZ_CHECK(++calls <= size / 3);
        FUZZ_CHECK(CheckedText(call->number, CALLS_LOG_TEXT_CAPACITY) > 0);
        CheckedText(call->name, CALLS_LOG_TEXT_CAPACITY);
        CheckTime(call->time);
    }

    FuzzInput in = {data, size};
    std::vector<WCHAR> number = TakeText(&in, CALLS_LOG_TEXT_CAPACITY - 1);
    std::vector<WCHAR> name = TakeText(&in, CALLS_LOG_TEXT_CAPACITY - 1);
    LoggedCallTime time = {(WORD)TakeBelow(&in, 10000), (WORD)(1 + TakeBelow(&in, 12)), (WORD)(1 + TakeBelow(&in, 28)),
                           (WORD)TakeBelow(&in, 24),    (WORD)TakeBelow(&in, 60),       (WORD)TakeBelow(&in, 60)};
    char line[CALLS_LOG_LINE_LIMIT + 1];
    size_t lineSize = FormatLoggedCallLine(line, sizeof(line), number.data(), name.data(), &time);
    bool writable = number[0] != 0;
    for (size_t i = 0; number[i]; i++)
        writable = writable && !TextIsControl(number[i]) && !(number[i] >= 0xD800 && number[i] <= 0xDFFF) &&
                   number[i] != 0xFFFD;
    for (size_t i = 0; name[i]; i++)
        writable = writable && !TextIsControl(name[i]);
    // Texts the capacity takes whole always make a line within the limit.
    FUZZ_CHECK((lineSize > 0) == writable);
    if (!writable)
        return 0;
    FUZZ_CHECK(line[lineSize - 1] == '\n' && line[lineSize] == 0);

    std::string log((const char *)data, size);
    log += '\n';
    log.append(line, lineSize);
    StartCallsLogReader(reader.get(), log.data(), log.size(), FALSE);
    FUZZ_CHECK(ReadPreviousLoggedCall(reader.get(), call.get()));
    FUZZ_CHECK(TextEqual(call->number, AsWritten(number).data()));
    FUZZ_CHECK(TextEqual(call->name, AsWritten(name).data()));
    char stamp[CALLS_LOG_TIME_CAPACITY];
    snprintf(stamp, sizeof(stamp), "%04u-%02u-%02uT%02u:%02u:%02u", time.year, time.month, time.day, time.hour,
             time.minute, time.second);
    for (size_t i = 0; i < CALLS_LOG_TIME_CAPACITY; i++)
        FUZZ_CHECK(call->time[i] == (WCHAR)(unsigned char)stamp[i]);
    return 0;
}
