// The bounded text helpers and the program's own formatter against a
// reference built by plain concatenation, in random capacities.
#include <algorithm>

#include "base/text.h"
#include "fuzz/fuzz_input.h"

// Units without a terminator. No std::wstring: its traits call the C
// library's 32-bit wide-character functions.
typedef std::vector<WCHAR> Units;

static Units Of(const WCHAR *text)
{
    return Units(text, text + TextLength(text));
}

static Units operator+(Units a, const Units &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

static Units operator+(const WCHAR *a, const Units &b)
{
    return Of(a) + b;
}

static Units operator+(const Units &a, const WCHAR *b)
{
    return a + Of(b);
}

static size_t Search(const Units &text, const Units &what)
{
    if (what.size() > text.size())
        return (size_t)-1;
    for (size_t i = 0; i + what.size() <= text.size(); i++) {
        if (std::equal(what.begin(), what.end(), text.begin() + i))
            return i;
    }
    return (size_t)-1;
}

static Units Decimal(int value)
{
    long long v = value;
    Units digits;
    bool negative = v < 0;
    if (negative)
        v = -v;
    do {
        digits.insert(digits.begin(), (WCHAR)(L'0' + v % 10));
        v /= 10;
    } while (v);
    return negative ? L"-" + digits : digits;
}

static Units Hex(unsigned value)
{
    Units digits;
    do {
        digits.insert(digits.begin(), (WCHAR)L"0123456789abcdef"[value % 16]);
        value /= 16;
    } while (value);
    return digits;
}

// The whole text that a format gives, cut to capacity - 1 units, and
// whether it fitted, must be what TextFormat says.
static void CheckFormatted(const Units &expected, const GuardedBuffer &out, BOOL fitted)
{
    FUZZ_CHECK(out.GuardsIntact());
    size_t length = out.TerminatedLength();
    size_t room = out.capacity - 1;
    FUZZ_CHECK(fitted == (expected.size() <= room));
    FUZZ_CHECK(length == (expected.size() < room ? expected.size() : room));
    FUZZ_CHECK(std::equal(out.units.begin(), out.units.begin() + length, expected.begin()));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = 1 + TakeBelow(&in, 300);
    int number = (int)(TakeByte(&in) | (TakeByte(&in) << 8) | (TakeByte(&in) << 16) | (TakeByte(&in) << 24));
    std::vector<WCHAR> a = TakeText(&in, 400);
    std::vector<WCHAR> b = TakeText(&in, 400);
    Units textA = Of(a.data()), textB = Of(b.data());

    GuardedBuffer out(capacity);
    BOOL fitted = TextFormat(out.Data(), capacity, L"from: %s\nto: %s", a.data(), b.data());
    CheckFormatted(L"from: " + textA + L"\nto: " + textB, out, fitted);

    GuardedBuffer numbers(capacity);
    fitted = TextFormat(numbers.Data(), capacity, L"%d%%%x", number, (unsigned)number);
    CheckFormatted(Decimal(number) + L"%" + Hex((unsigned)number), numbers, fitted);

    // Copy then append gives the concatenation, cut.
    GuardedBuffer joined(capacity);
    BOOL copied = TextCopy(joined.Data(), capacity, a.data());
    fitted = TextAppend(joined.Data(), capacity, b.data()) && copied;
    CheckFormatted(textA + textB, joined, fitted);

    // Find agrees with the standard string's search.
    const WCHAR *found = TextFind(a.data(), b.data());
    size_t position = Search(textA, textB);
    FUZZ_CHECK(found ? position == (size_t)(found - a.data()) : position == (size_t)-1);
    FUZZ_CHECK(TextStartsWith(a.data(), b.data()) ==
               (textB.size() <= textA.size() && std::equal(textB.begin(), textB.end(), textA.begin())));
    return 0;
}
