// The Search page's match over random names, numbers and typed texts: it
// never reads past a text, and what a name or number plainly holds is
// always found in it.
#include "base/text.h"
#include "fuzz/fuzz_input.h"
#include "pellomar/contact_search.h"

static BOOL Matches(const std::vector<WCHAR> &name, const std::vector<WCHAR> &number, const std::vector<WCHAR> &typed)
{
    return ContactMatchesSearch(name.data(), number.data(), typed.data());
}

// The units from..to of a text, terminated.
static std::vector<WCHAR> Slice(const std::vector<WCHAR> &text, size_t from, size_t to)
{
    std::vector<WCHAR> slice(text.begin() + from, text.begin() + to);
    slice.push_back(0);
    return slice;
}

// The keypad's digit of an ASCII letter, written out here rather than
// taken from the keypad's table, so that the two are checked one against
// the other.
static WCHAR KeyOfAsciiLetter(WCHAR unit)
{
    static const char keys[] = "22233344455566677778889999";
    if (unit >= 'A' && unit <= 'Z')
        unit = (WCHAR)(unit - 'A' + 'a');
    return unit >= 'a' && unit <= 'z' ? (WCHAR)keys[unit - 'a'] : 0;
}

static bool IsWordStart(const std::vector<WCHAR> &name, size_t at)
{
    if (at == 0)
        return true;
    WCHAR before = name[at - 1];
    return before == ' ' || before == '-' || before == '.' || before == ',' || before == '\t' || before == 0x00A0;
}

// The keys of the ASCII letters from a word's start, as the keypad types them.
static void CheckSmartDial(const std::vector<WCHAR> &name, size_t at, size_t count)
{
    std::vector<WCHAR> digits;
    for (size_t i = at; i < at + count && KeyOfAsciiLetter(name[i]); i++)
        digits.push_back(KeyOfAsciiLetter(name[i]));
    if (digits.empty())
        return;
    digits.push_back(0);
    FUZZ_CHECK(Matches(name, std::vector<WCHAR>(1, 0), digits));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t from = TakeBelow(&in, 400);
    size_t count = TakeBelow(&in, 400);
    std::vector<WCHAR> name = TakeText(&in, 400);
    std::vector<WCHAR> number = TakeText(&in, 400);
    std::vector<WCHAR> typed = TakeText(&in, 400);
    std::vector<WCHAR> spaces(1 + count % 5, L' ');
    spaces.back() = 0;

    // Any text: no crash, nothing read past a terminator (the sanitizers).
    Matches(name, number, typed);
    FUZZ_CHECK(ContactMatchesSearch(NULL, NULL, typed.data()) == ContactMatchesSearch(L"", L"", typed.data()));
    FUZZ_CHECK(Matches(name, number, spaces));
    FUZZ_CHECK(ContactMatchesSearch(name.data(), number.data(), NULL));

    // Only the first units are looked at: within them, the name and the
    // number as they are, and any part of the name, are found.
    size_t nameLength = TextLength(name.data());
    size_t numberLength = TextLength(number.data());
    if (nameLength <= CONTACT_SEARCH_UNITS)
        FUZZ_CHECK(Matches(name, spaces, name));
    if (numberLength <= CONTACT_SEARCH_UNITS)
        FUZZ_CHECK(Matches(spaces, number, number));
    size_t looked = nameLength < CONTACT_SEARCH_UNITS ? nameLength : CONTACT_SEARCH_UNITS;
    if (from < looked) {
        size_t to = from + count % (looked - from + 1);
        std::vector<WCHAR> part = Slice(name, from, to);
        FUZZ_CHECK(Matches(name, spaces, part));
        // Between spaces, and in capitals too, where the part is ASCII.
        for (size_t i = 0; part[i]; i++) {
            if (part[i] >= 'a' && part[i] <= 'z')
                part[i] = (WCHAR)(part[i] - 'a' + 'A');
        }
        std::vector<WCHAR> padded(spaces.begin(), spaces.end() - 1);
        padded.insert(padded.end(), part.begin(), part.end() - 1);
        padded.insert(padded.end(), spaces.begin(), spaces.end());
        FUZZ_CHECK(Matches(name, spaces, padded));
        if (IsWordStart(name, from))
            CheckSmartDial(name, from, to - from);
    }
    return 0;
}
