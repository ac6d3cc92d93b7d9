// Numbers as people write them, over random text: a number read holds the
// digits of the text in order and the keys of the letters it read, a pause
// only where a marker stood, and fits; an address is never a number; the
// number read reads the same again.
#include <vector>

#include "base/phone_link.h"
#include "base/text.h"
#include "dialing/numbers.h"
#include "fuzz/fuzz_input.h"

static unsigned Lower(unsigned code)
{
    return code >= 'A' && code <= 'Z' ? code + 32 : code;
}

static WCHAR KeyOf(unsigned letter)
{
    static const char keys[] = "22233344455566677778889999";
    return (WCHAR)keys[Lower(letter) - 'a'];
}

static size_t Count(const WCHAR *text, WCHAR unit)
{
    size_t count = 0;
    for (; *text; text++)
        count += *text == unit;
    return count;
}

// The number's digits are the text's digits, every one and in order, with
// the keys of some of its letters among them.
static bool DigitsComeFromTheText(const std::vector<unsigned> &text, const WCHAR *number)
{
    std::vector<WCHAR> digits;
    for (const WCHAR *c = number; *c; c++) {
        if (*c >= L'0' && *c <= L'9')
            digits.push_back(*c);
    }
    std::vector<bool> reach(digits.size() + 1, false);
    reach[0] = true;
    for (size_t i = 0; i < text.size(); i++) {
        unsigned code = text[i];
        bool digit = code >= '0' && code <= '9';
        bool letter = Lower(code) >= 'a' && Lower(code) <= 'z';
        if (!digit && !letter)
            continue;
        WCHAR value = digit ? (WCHAR)code : KeyOf(code);
        std::vector<bool> next(digits.size() + 1, false);
        for (size_t j = 0; j <= digits.size(); j++) {
            if (!reach[j])
                continue;
            if (letter)
                next[j] = true;
            if (j < digits.size() && digits[j] == value)
                next[j + 1] = true;
        }
        reach.swap(next);
    }
    return reach[digits.size()];
}

static bool StartsWithScheme(const std::vector<unsigned> &text, const char *scheme)
{
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        at++;
    for (size_t i = 0; scheme[i]; i++, at++) {
        if (at >= text.size() || Lower(text[at]) != (unsigned char)scheme[i])
            return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = TakeBelow(&in, 120);
    std::vector<WCHAR> text = TakeText(&in, 512);
    size_t length = text.size() - 1;

    GuardedBuffer out(capacity);
    PhoneLinkResult result = ReadWrittenNumber(out.Data(), capacity, text.data());
    FUZZ_CHECK(out.GuardsIntact());
    if (capacity == 0) {
        FUZZ_CHECK(result == PHONE_LINK_TOO_LONG);
        return 0;
    }
    size_t read = out.TerminatedLength();
    if (result != PHONE_LINK_NUMBER) {
        FUZZ_CHECK(read == 0);
        // No number grows with more room; one too long reads with enough.
        std::vector<WCHAR> wide(length + 2);
        PhoneLinkResult again = ReadWrittenNumber(wide.data(), wide.size(), text.data());
        FUZZ_CHECK(again == (result == PHONE_LINK_TOO_LONG ? PHONE_LINK_NUMBER : PHONE_LINK_NO_NUMBER));
        return 0;
    }
    const WCHAR *number = out.Data();
    bool digit = false;
    for (size_t i = 0; i < read; i++) {
        FUZZ_CHECK(TextFindUnit(DIALABLE_CHARACTERS, number[i]) != NULL);
        FUZZ_CHECK(number[i] != L'+' || i == 0);
        digit = digit || (number[i] >= L'0' && number[i] <= L'9') || number[i] == L'*' || number[i] == L'#';
    }
    FUZZ_CHECK(digit);

    std::vector<unsigned> folded;
    for (size_t i = 0; i < length; i++)
        folded.push_back(FoldNumberUnit(text[i]));
    size_t commas = 0, semicolons = 0, ps = 0, ws = 0, xs = 0, hashes = 0;
    for (size_t i = 0; i < folded.size(); i++) {
        unsigned code = Lower(folded[i]);
        FUZZ_CHECK(code != '@');
        commas += code == ',';
        semicolons += code == ';';
        ps += code == 'p';
        ws += code == 'w';
        xs += code == 'x';
        hashes += code == '#';
    }
    FUZZ_CHECK(!StartsWithScheme(folded, "sip:") && !StartsWithScheme(folded, "mailto:") &&
               !StartsWithScheme(folded, "http:"));
    // A link's number may come percent-encoded or from its parameters: the
    // link reader's own target checks those.
    if (!IsPhoneLink(text.data())) {
        FUZZ_CHECK(DigitsComeFromTheText(folded, number));
        FUZZ_CHECK(Count(number, L'p') <= commas + ps + xs + hashes);
        FUZZ_CHECK(Count(number, L'w') <= semicolons + ws);
    }

    // The number read reads as itself.
    GuardedBuffer again(capacity);
    FUZZ_CHECK(ReadWrittenNumber(again.Data(), capacity, number) == PHONE_LINK_NUMBER);
    FUZZ_CHECK(TextEqual(again.Data(), number));
    return 0;
}
