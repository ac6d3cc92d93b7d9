// The command line's grammar: a number, optionally "-name=" and a called
// party to the end of the line, or "-choosecontact" anywhere; or, instead,
// a phone link. The number is read as people write numbers.
#include "app/command_line.h"

#include "base/text.h"
#include "dialing/numbers.h"

// The desktop's shell quotes each argument that holds a space, and the
// program receives its command line with those quotes ("555 1234
// -name=Jane Doe" arrives in quotes). This takes the quoting away by the
// rules the C runtime splits arguments by: a quote opens or closes a quoted
// run and is dropped; backslashes before a quote are halved, and an odd one
// out makes the quote a literal one; any other backslash stays. The spaces
// between arguments stay as they are, so a line without quotes comes out
// unchanged.
void UndoDesktopQuoting(WCHAR *out, size_t capacity, const WCHAR *line)
{
    if (capacity == 0)
        return;
    size_t written = 0;
    size_t i = 0;
    while (line[i] && written + 1 < capacity) {
        size_t backslashes = 0;
        while (line[i + backslashes] == L'\\')
            backslashes++;
        if (line[i + backslashes] != L'"') {
            // A plain character, or a run of backslashes before one: as is.
            size_t run = backslashes ? backslashes : 1;
            for (size_t k = 0; k < run && written + 1 < capacity; k++)
                out[written++] = line[i + k];
            i += run;
            continue;
        }
        for (size_t k = 0; k < backslashes / 2 && written + 1 < capacity; k++)
            out[written++] = L'\\';
        if (backslashes % 2 == 1 && written + 1 < capacity)
            out[written++] = L'"';
        i += backslashes + 1;
    }
    out[written] = 0;
}

static bool IsBlank(const WCHAR *text)
{
    for (; *text; text++) {
        if (*text != L' ' && *text != L'\t')
            return false;
    }
    return true;
}

void ParseCommandLine(const WCHAR *commandLine, CommandLineRequest *request)
{
    WCHAR working[COMMAND_LINE_CAPACITY];
    TextCopy(working, COMMAND_LINE_CAPACITY, commandLine);
    *request = CommandLineRequest();
    request->numberResult = PHONE_LINK_NO_NUMBER;
    if (IsPhoneLink(working)) {
        request->isLink = TRUE;
        request->numberResult = TextLength(working) + 1 >= COMMAND_LINE_CAPACITY
                                    ? PHONE_LINK_TOO_LONG
                                    : ReadPhoneLink(request->number, NUMBER_CAPACITY, working);
        return;
    }
    if (TextFind(working, L"-choosecontact")) {
        request->chooseContact = TRUE;
        return;
    }
    WCHAR *nameOption = (WCHAR *)TextFind(working, L"-name=");
    if (nameOption) {
        const WCHAR *name = nameOption + TextLength(L"-name=");
        if (name[0]) {
            request->hasName = TRUE;
            TextCopy(request->name, NAME_CAPACITY, name);
        }
        *nameOption = 0;
    }
    TextCopy(request->numberText, COMMAND_LINE_CAPACITY, working);
    request->hasNumberText = !IsBlank(working);
    // Only a number read whole is dialled: "--help", a file name or a web
    // address holds digits, and none of them is a number.
    WCHAR read[NUMBER_CAPACITY];
    request->numberResult = ReadWrittenNumber(read, NUMBER_CAPACITY, working);
    if (request->numberResult == PHONE_LINK_NUMBER)
        FilterDialable(request->number, read, NUMBER_CAPACITY);
}

void DescribeText(WCHAR *out, size_t capacity, const WCHAR *text)
{
    static const WCHAR cut[] = L"...";
    if (capacity < ARRAY_COUNT(cut) + 1) {
        TextCopy(out, capacity, L"");
        return;
    }
    size_t length = TextLength(text);
    size_t kept = length < capacity ? length : capacity - ARRAY_COUNT(cut);
    for (size_t i = 0; i < kept; i++)
        out[i] = TextIsHiddenFormatting(text[i]) ? L' ' : text[i];
    out[kept] = 0;
    if (kept < length)
        TextAppend(out, capacity, cut);
}
