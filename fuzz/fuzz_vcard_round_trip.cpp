// A card written and read back gives its name and numbers again, for any
// name and numbers the writer can keep whole and the reader hands out as
// they are: no control characters, no lone surrogates, and numbers that are
// not themselves tel: URIs; a number that reads as none is left out. Labelled with a charset the reader does not
// know, the name comes back with its ASCII whole and a U+FFFD for each byte
// of every other character.
#include <memory>

#include "base/phone_link.h"
#include "base/text.h"
#include "fuzz/fuzz_input.h"
#include "platform/vcard_reader.h"
#include "platform/vcard_writer.h"

static bool WritableWhole(const std::vector<WCHAR> &text, size_t capacity)
{
    size_t length = TextLength(text.data());
    if (length == 0 || length >= capacity)
        return false;
    for (size_t i = 0; i < length; i++) {
        WCHAR c = text[i];
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFEFF)
            return false;
    }
    return true;
}

static bool IsTelUri(const std::vector<WCHAR> &number)
{
    const char *scheme = "tel:";
    for (int i = 0; i < 4; i++) {
        WCHAR c = number[i];
        if (c >= L'A' && c <= L'Z')
            c = (WCHAR)(c - L'A' + L'a');
        if (c != (WCHAR)scheme[i])
            return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    std::vector<WCHAR> name = TakeText(&in, VCARD_TEXT_CAPACITY);
    size_t count = TakeBelow(&in, 4);
    std::vector<std::vector<WCHAR>> numbers;
    for (size_t i = 0; i < count; i++)
        numbers.push_back(TakeText(&in, 64));
    if (!WritableWhole(name, VCARD_TEXT_CAPACITY))
        return 0;
    std::vector<VCardText> texts;
    for (const auto &number : numbers) {
        if (!WritableWhole(number, VCARD_NUMBER_CAPACITY) || IsTelUri(number))
            return 0;
        texts.push_back({number.data(), TextLength(number.data())});
    }
    std::string bytes = WriteVCard({name.data(), TextLength(name.data())}, texts.data(), texts.size());

    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    StartVCardReader(reader.get(), bytes.data(), bytes.size());
    FUZZ_CHECK(ReadNextVCard(reader.get(), card.get()));
    FUZZ_CHECK(TextEqual(card->name, name.data()));
    // The numbers come back as written, in order; a text that reads as no
    // number is none to offer.
    std::vector<const WCHAR *> kept;
    std::vector<WCHAR> read(VCARD_NUMBER_CAPACITY);
    for (const auto &number : numbers) {
        if (ReadWrittenNumber(read.data(), read.size(), number.data()) != PHONE_LINK_NO_NUMBER)
            kept.push_back(number.data());
    }
    FUZZ_CHECK(card->numberCount == kept.size());
    for (size_t i = 0; i < kept.size(); i++)
        FUZZ_CHECK(TextEqual(card->numbers[i], kept[i]));
    FUZZ_CHECK(!ReadNextVCard(reader.get(), card.get()));

    size_t fn = bytes.find("\r\nFN:");
    FUZZ_CHECK(fn != std::string::npos);
    bytes.replace(fn, 5, "\r\nFN;CHARSET=X-UNKNOWN:");
    std::vector<WCHAR> shown;
    for (size_t i = 0; name[i] != 0; i++) {
        // Surrogates are not written whole, so a unit is a character here.
        size_t utf8Bytes = name[i] < 0x80 ? 1 : name[i] < 0x800 ? 2 : 3;
        for (size_t j = 0; j < utf8Bytes; j++)
            shown.push_back(utf8Bytes == 1 ? name[i] : (WCHAR)0xFFFD);
    }
    if (shown.size() >= VCARD_TEXT_CAPACITY)
        shown.resize(VCARD_TEXT_CAPACITY - 1);
    shown.push_back(0);
    StartVCardReader(reader.get(), bytes.data(), bytes.size());
    FUZZ_CHECK(ReadNextVCard(reader.get(), card.get()));
    FUZZ_CHECK(TextEqual(card->name, shown.data()));
    return 0;
}
