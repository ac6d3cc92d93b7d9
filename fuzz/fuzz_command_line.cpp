// The command line's grammar and the desktop's quoting, over random lines:
// a line that is no link dials only a number read whole.
#include "app/command_line.h"
#include "base/text.h"
#include "dialing/numbers.h"
#include "fuzz/fuzz_input.h"

static void CheckParse(const std::vector<WCHAR> &line)
{
    CommandLineRequest request;
    ParseCommandLine(line.data(), &request);
    WCHAR seen[COMMAND_LINE_CAPACITY];
    TextCopy(seen, COMMAND_LINE_CAPACITY, line.data());
    size_t numberLength = TextLength(request.number);
    FUZZ_CHECK(numberLength < NUMBER_CAPACITY);
    for (size_t i = 0; i < numberLength; i++)
        FUZZ_CHECK(TextFindUnit(DIALABLE_CHARACTERS, request.number[i]) != NULL);
    // A link is nothing but a link, and gives a number only when read whole.
    FUZZ_CHECK(request.isLink == IsPhoneLink(seen));
    if (request.isLink) {
        FUZZ_CHECK(!request.chooseContact && !request.hasName);
        FUZZ_CHECK((request.numberResult == PHONE_LINK_NUMBER) == (numberLength > 0));
        FUZZ_CHECK(request.numberResult == PHONE_LINK_TOO_LONG || TextLength(seen) + 1 < COMMAND_LINE_CAPACITY);
        return;
    }
    FUZZ_CHECK(request.chooseContact == (TextFind(seen, L"-choosecontact") != NULL));
    if (request.chooseContact)
        return;
    // Only a number part read whole as a phone number dials, and it dials
    // what the reader read; an address never does.
    FUZZ_CHECK((request.numberResult == PHONE_LINK_NUMBER) == (numberLength > 0));
    if (numberLength > 0) {
        WCHAR read[NUMBER_CAPACITY];
        FUZZ_CHECK(ReadWrittenNumber(read, NUMBER_CAPACITY, request.numberText) == PHONE_LINK_NUMBER);
        FUZZ_CHECK(TextEqual(read, request.number) && request.hasNumberText);
        FUZZ_CHECK(!TextFindUnit(request.numberText, L'@'));
        bool digit = false;
        for (size_t i = 0; i < numberLength; i++)
            digit = digit || TextFindUnit(L"0123456789*#", request.number[i]) != NULL;
        FUZZ_CHECK(digit);
    }
    const WCHAR *option = TextFind(seen, L"-name=");
    FUZZ_CHECK(request.hasName == (option != NULL && option[6] != 0));
    if (request.hasName) {
        FUZZ_CHECK(TextLength(request.name) < NAME_CAPACITY);
        FUZZ_CHECK(TextStartsWith(option + 6, request.name));
    }
}

static void CheckUnquote(const std::vector<WCHAR> &line, size_t capacity)
{
    GuardedBuffer out(capacity);
    UndoDesktopQuoting(out.Data(), capacity, line.data());
    FUZZ_CHECK(out.GuardsIntact());
    size_t length = out.TerminatedLength();
    FUZZ_CHECK(length <= TextLength(line.data()));
    // Without quotes the line comes out as it went in, cut to fit.
    if (!TextFindUnit(line.data(), L'"')) {
        std::vector<WCHAR> cut(capacity);
        TextCopy(cut.data(), capacity, line.data());
        FUZZ_CHECK(TextEqual(cut.data(), out.Data()));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = 1 + TakeBelow(&in, 2 * COMMAND_LINE_CAPACITY);
    std::vector<WCHAR> line = TakeText(&in, 8 * COMMAND_LINE_CAPACITY);
    CheckParse(line);
    CheckUnquote(line, capacity);
    WCHAR unquoted[COMMAND_LINE_CAPACITY];
    UndoDesktopQuoting(unquoted, COMMAND_LINE_CAPACITY, line.data());
    CheckParse(std::vector<WCHAR>(unquoted, unquoted + TextLength(unquoted) + 1));
    return 0;
}
