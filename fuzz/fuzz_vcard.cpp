// The vCard reader over random files: every card's texts are terminated
// within their buffers and hold no control character, counts stay within
// their limits, and the reader always comes to an end.
#include <memory>

#include "fuzz/fuzz_input.h"
#include "platform/vcard_reader.h"

// The text's length; aborts when it is not terminated within its capacity
// or holds a control character, which the list of contacts would not show
// but the call would carry.
static size_t CheckedText(const wchar_t *text, size_t capacity)
{
    for (size_t i = 0; i < capacity; i++) {
        if (text[i] == 0)
            return i;
        FUZZ_CHECK(text[i] >= 0x20 && !(text[i] >= 0x7F && text[i] < 0xA0));
    }
    abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    StartVCardReader(reader.get(), (const char *)data, size);
    size_t cards = 0;
    while (ReadNextVCard(reader.get(), card.get())) {
        // Every card takes at least the bytes of its BEGIN line.
        FUZZ_CHECK(++cards <= size / 11 + 1);
        CheckedText(card->name, VCARD_TEXT_CAPACITY);
        FUZZ_CHECK(card->numberCount <= VCARD_NUMBER_LIMIT);
        for (size_t i = 0; i < card->numberCount; i++)
            FUZZ_CHECK(CheckedText(card->numbers[i], VCARD_NUMBER_CAPACITY) > 0);
    }
    return 0;
}
