// The vCard reader over random files: every card's texts are terminated
// within their buffers and hold no control character, counts stay within
// their limits, and the reader always comes to an end. The same bytes as a
// UTF-16 file, in either byte order: the contact store's conversion gives
// UTF-8 that it writes back and reads again unchanged, and the reader reads
// to its end. The same bytes as one value: a charset the reader does not
// know gives only ASCII and U+FFFD, and unescaping never splits a
// double-byte Shift_JIS character.
#include <string.h>

#include <memory>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/contact_store.h"
#include "platform/vcard_reader.h"
#include "platform/vcard_values.h"

static void ReadCards(VCardReader *reader, VCardContact *card, const char *bytes, size_t size)
{
    StartVCardReader(reader, bytes, size);
    size_t cards = 0;
    while (ReadNextVCard(reader, card)) {
        // Every card takes at least the bytes of its BEGIN line.
        FUZZ_CHECK(++cards <= size / 11 + 1);
        CheckedText(card->name, VCARD_TEXT_CAPACITY);
        FUZZ_CHECK(card->numberCount <= VCARD_NUMBER_LIMIT);
        for (size_t i = 0; i < card->numberCount; i++)
            FUZZ_CHECK(CheckedText(card->numbers[i], VCARD_NUMBER_CAPACITY) > 0);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    ReadCards(reader.get(), card.get(), (const char *)data, size);

    const std::string file((const char *)data, size);
    for (ContactFileEncoding encoding : {CONTACT_FILE_UTF16LE, CONTACT_FILE_UTF16BE}) {
        // Written back and read again unchanged: anything but UTF-8 in it
        // would come back as U+FFFD.
        std::string text = ContactFileToUtf8(file, encoding);
        FUZZ_CHECK(ContactFileToUtf8(Utf8ToContactFile(text, encoding), encoding) == text);
        ReadCards(reader.get(), card.get(), text.data(), text.size());
        // Any bytes as the text to write: once through, they are UTF-8.
        std::string again = ContactFileToUtf8(Utf8ToContactFile(file, encoding), encoding);
        FUZZ_CHECK(ContactFileToUtf8(Utf8ToContactFile(again, encoding), encoding) == again);
    }

    // A name in a charset the reader does not know, the bytes as its
    // quoted-printable value on one line: no unit is read as UTF-8 or a
    // charset's guess.
    std::string value((const char *)data, size);
    for (size_t i = 0; i < value.size(); i++)
        if (value[i] == '\r' || value[i] == '\n')
            value[i] = ' ';
    std::string unknown = "BEGIN:VCARD\nFN;CHARSET=X-UNKNOWN;ENCODING=QUOTED-PRINTABLE:" + value + "\nEND:VCARD\n";
    StartVCardReader(reader.get(), unknown.data(), unknown.size());
    FUZZ_CHECK(ReadNextVCard(reader.get(), card.get()));
    size_t length = CheckedText(card->name, VCARD_TEXT_CAPACITY);
    for (size_t i = 0; i < length; i++)
        FUZZ_CHECK(card->name[i] < 0x80 || card->name[i] == 0xFFFD);

    // A value without a backslash of its own, only trail bytes 0x5C of
    // double-byte characters, is left as it is.
    Bytes bytes = {(const char *)data, size};
    Charset shiftJis = CharsetNamed(Bytes{"SJIS", 4});
    bool escapes = false;
    for (size_t i = 0; i < size; i += CharacterSize(bytes, i, shiftJis))
        escapes = escapes || (CharacterSize(bytes, i, shiftJis) == 1 && data[i] == '\\');
    std::unique_ptr<char[]> unescaped(new char[size + 1]);
    size_t kept = Unescape(bytes, unescaped.get(), shiftJis);
    FUZZ_CHECK(kept <= size);
    FUZZ_CHECK(escapes || (kept == size && memcmp(unescaped.get(), data, size) == 0));
    return 0;
}
