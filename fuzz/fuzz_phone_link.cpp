// Phone links over random text: a number read is dialable, fits, and reads
// the same again; a link refused leaves nothing; a number written as a link
// reads back as itself.
#include "base/text.h"
#include "dialing/numbers.h"
#include "base/phone_link.h"
#include "fuzz/fuzz_input.h"

static bool IsDigit(WCHAR c)
{
    return (c >= L'0' && c <= L'9') || c == L'*' || c == L'#';
}

static void CheckNumber(const WCHAR *number, size_t capacity)
{
    size_t length = TextLength(number);
    FUZZ_CHECK(length < capacity);
    bool digit = false;
    for (size_t i = 0; i < length; i++) {
        FUZZ_CHECK(TextFindUnit(DIALABLE_CHARACTERS, number[i]) != NULL);
        FUZZ_CHECK(number[i] != L'+' || i == 0);
        digit = digit || IsDigit(number[i]);
    }
    FUZZ_CHECK(digit);
}

static void CheckRead(const std::vector<WCHAR> &link, size_t capacity)
{
    GuardedBuffer out(capacity);
    PhoneLinkResult result = ReadPhoneLink(out.Data(), capacity, link.data());
    FUZZ_CHECK(out.GuardsIntact());
    if (capacity == 0) {
        FUZZ_CHECK(result == PHONE_LINK_TOO_LONG);
        return;
    }
    out.TerminatedLength(); // aborts unless the number is terminated
    if (result != PHONE_LINK_NUMBER) {
        FUZZ_CHECK(out.Data()[0] == 0);
        // More room never turns a number that did not fit into none.
        if (result == PHONE_LINK_TOO_LONG) {
            std::vector<WCHAR> wide(link.size() + 1);
            FUZZ_CHECK(ReadPhoneLink(wide.data(), wide.size(), link.data()) == PHONE_LINK_NUMBER);
        }
        return;
    }
    CheckNumber(out.Data(), capacity);
    FUZZ_CHECK(IsPhoneLink(link.data()));

    // The number as a link of its own reads the same.
    std::vector<WCHAR> again(TextLength(out.Data()) + 5);
    TextCopy(again.data(), again.size(), L"tel:");
    TextAppend(again.data(), again.size(), out.Data());
    std::vector<WCHAR> reread(capacity);
    FUZZ_CHECK(ReadPhoneLink(reread.data(), capacity, again.data()) == PHONE_LINK_NUMBER);
    FUZZ_CHECK(TextEqual(reread.data(), out.Data()));

    // A contact card's bytes of the same link read the same.
    std::vector<char> bytes;
    for (size_t i = 0; link[i]; i++) {
        if (link[i] >= 0x80)
            return;
        bytes.push_back((char)link[i]);
    }
    std::vector<WCHAR> fromBytes(capacity);
    FUZZ_CHECK(ReadPhoneLinkBytes(fromBytes.data(), capacity, bytes.data(), bytes.size()) == PHONE_LINK_NUMBER);
    FUZZ_CHECK(TextEqual(fromBytes.data(), out.Data()));
}

// Numbers whose link reads back unchanged: a digit, a '+' only first, a
// digit before the first wait, no two waits in a row and none at the end (an empty wait
// says nothing).
static bool ReadsBackWhole(const std::vector<WCHAR> &number)
{
    size_t length = TextLength(number.data());
    if (length == 0 || length >= 80 || number[length - 1] == L'w')
        return false;
    bool digit = false;
    for (size_t i = 0; i < length; i++) {
        WCHAR c = number[i];
        if (!TextFindUnit(DIALABLE_CHARACTERS, c) || (c == L'+' && i > 0) || (c == L'w' && !digit) ||
            (c == L'w' && number[i + 1] == L'w'))
            return false;
        digit = digit || IsDigit(c);
    }
    return digit;
}

static void CheckWrite(const std::vector<WCHAR> &number, size_t capacity)
{
    GuardedBuffer link(capacity);
    BOOL written = WritePhoneLink(link.Data(), capacity, number.data());
    FUZZ_CHECK(link.GuardsIntact());
    if (capacity == 0)
        return;
    link.TerminatedLength(); // aborts unless the link is terminated
    if (!written) {
        FUZZ_CHECK(link.Data()[0] == 0);
        return;
    }
    FUZZ_CHECK(TextStartsWith(link.Data(), L"tel:"));
    FUZZ_CHECK(!TextFindUnit(link.Data(), L'#'));
    if (!ReadsBackWhole(number))
        return;
    WCHAR read[80];
    FUZZ_CHECK(ReadPhoneLink(read, 80, link.Data()) == PHONE_LINK_NUMBER);
    FUZZ_CHECK(TextEqual(read, number.data()));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = TakeBelow(&in, 120);
    std::vector<WCHAR> text = TakeText(&in, 600);
    CheckRead(text, capacity);
    CheckWrite(text, 4 * capacity);
    // The same text as a link, so that the reader's grammar is reached.
    std::vector<WCHAR> link(text.size() + 4);
    TextCopy(link.data(), link.size(), L"tel:");
    TextAppend(link.data(), link.size(), text.data());
    CheckRead(link, capacity);
    return 0;
}
