// The dial plan shapes the typed number for the screen: "(NNN)_NNN-NNNN"
// shows 5551234567 as "(555) 123-4567", and slots not yet reached by the
// digits typed so far show as spaces that are trimmed afterwards.
#include "base/text.h"
#include "dialing/numbers.h"

static bool IsPlanSeparator(WCHAR c)
{
    return c == L';' || c == L'\n' || c == L'\r';
}

static bool IsDigit(WCHAR c)
{
    return c >= L'0' && c <= L'9';
}

static bool IsLiteral(WCHAR c)
{
    return IsDigit(c) || c == L'+' || c == L'#' || c == L'*';
}

// Walks one pattern (patternLength characters) over the number. Returns
// true when it consumes the whole number and its output fits into capacity.
static bool ApplyPattern(const WCHAR *pattern, size_t patternLength, const WCHAR *number, WCHAR *out, size_t capacity)
{
    size_t numberLength = TextLength(number);
    size_t i = 0;
    size_t used = 0;
    for (size_t p = 0; p < patternLength; p++) {
        WCHAR c = pattern[p];
        WCHAR shown;
        if (c == L'N') {
            if (i == numberLength)
                shown = L' ';
            else if (IsDigit(number[i]))
                shown = number[i++];
            else
                return false;
        } else if (IsLiteral(c)) {
            if (i < numberLength && number[i] == c)
                shown = number[i++];
            else
                return false;
        } else if (c == L'_') {
            shown = L' ';
        } else {
            shown = c;
        }
        // An output too long for the display does not match.
        if (used + 1 >= capacity)
            return false;
        out[used++] = shown;
    }
    out[used] = 0;
    return i == numberLength;
}

static void TidyOutput(WCHAR *out)
{
    WCHAR *emptyGroup = (WCHAR *)TextFind(out, L"( ");
    if (emptyGroup)
        *emptyGroup = 0;
    size_t length = TextLength(out);
    while (length > 0 && (out[length - 1] == L' ' || out[length - 1] == L'-'))
        out[--length] = 0;
}

void FormatWithDialPlan(WCHAR *out, size_t capacity, const WCHAR *number, const WCHAR *plan)
{
    if (capacity == 0)
        return;
    const WCHAR *pattern = plan;
    for (;;) {
        size_t length = 0;
        while (pattern[length] && !IsPlanSeparator(pattern[length]))
            length++;
        if (ApplyPattern(pattern, length, number, out, capacity)) {
            TidyOutput(out);
            return;
        }
        if (!pattern[length])
            break;
        pattern += length + 1;
    }
    TextCopy(out, capacity, number);
}
