// FilterDialable, ReduceToDialable and the international form, with random
// capacities.
#include "base/text.h"
#include "dialing/numbers.h"
#include "fuzz/fuzz_input.h"

static void CheckFilterDialable(const std::vector<WCHAR> &source, size_t capacity)
{
    GuardedBuffer out(capacity);
    FilterDialable(out.Data(), source.data(), capacity);
    FUZZ_CHECK(out.GuardsIntact());
    size_t length = out.TerminatedLength();
    // A subsequence of the source's first capacity - 1 units, all dialable.
    size_t looked = TextLength(source.data());
    if (looked > capacity - 1)
        looked = capacity - 1;
    size_t next = 0;
    for (size_t i = 0; i < length; i++) {
        WCHAR c = out.Data()[i];
        FUZZ_CHECK(TextFindUnit(DIALABLE_CHARACTERS, c) != NULL);
        while (next < looked && source[next] != c)
            next++;
        FUZZ_CHECK(next < looked);
        next++;
    }
    // Filtering twice changes nothing.
    GuardedBuffer again(capacity);
    FilterDialable(again.Data(), out.Data(), capacity);
    FUZZ_CHECK(TextEqual(again.Data(), out.Data()));
}

// Every dialable unit of the whole source, in order, or nothing at all.
static void CheckReduceToDialable(const std::vector<WCHAR> &source, size_t capacity)
{
    GuardedBuffer out(capacity);
    BOOL fits = ReduceToDialable(out.Data(), capacity, source.data());
    FUZZ_CHECK(out.GuardsIntact());
    size_t length = out.TerminatedLength();
    std::vector<WCHAR> dialable;
    for (size_t i = 0; source[i]; i++) {
        if (TextFindUnit(DIALABLE_CHARACTERS, source[i]))
            dialable.push_back(source[i]);
    }
    FUZZ_CHECK(fits == (dialable.size() < capacity));
    if (!fits) {
        FUZZ_CHECK(length == 0);
        return;
    }
    FUZZ_CHECK(length == dialable.size());
    for (size_t i = 0; i < length; i++)
        FUZZ_CHECK(out.Data()[i] == dialable[i]);
}

static void CheckToInternational(const std::vector<WCHAR> &number, const std::vector<WCHAR> &countryCode,
                                 size_t capacity)
{
    GuardedBuffer text(capacity);
    TextCopy(text.Data(), capacity, number.data());
    std::vector<WCHAR> before(text.Data(), text.Data() + capacity);
    BOOL fits = ToInternationalWithCode(text.Data(), capacity, countryCode.data());
    FUZZ_CHECK(text.GuardsIntact());
    size_t length = text.TerminatedLength();
    FUZZ_CHECK(length < capacity);
    if (capacity > 1)
        FUZZ_CHECK(text.Data()[0] == L'+');
    if (before[0] == L'+') {
        // Already international: unchanged, but for the working buffer's
        // 79 units.
        WCHAR kept[NUMBER_CAPACITY];
        TextCopy(kept, NUMBER_CAPACITY, before.data());
        FUZZ_CHECK(TextEqual(text.Data(), kept) || (capacity <= TextLength(kept) && TextStartsWith(kept, text.Data())));
    }
    if (fits) {
        // The whole form: the number at its end, and nothing lost.
        size_t numberLength = TextLength(before.data());
        FUZZ_CHECK(length >= numberLength);
        FUZZ_CHECK(TextEqual(text.Data() + length - numberLength, before.data()));
        FUZZ_CHECK(length <= numberLength + 1 + TextLength(countryCode.data()));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = 1 + TakeBelow(&in, 2 * NUMBER_CAPACITY);
    std::vector<WCHAR> countryCode = TakeText(&in, COUNTRY_CODE_CAPACITY - 1);
    std::vector<WCHAR> text = TakeText(&in, 4 * COMMAND_LINE_CAPACITY);
    CheckFilterDialable(text, capacity);
    CheckReduceToDialable(text, capacity);
    CheckToInternational(text, countryCode, capacity);
    return 0;
}
