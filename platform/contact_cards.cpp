// The contact store's cards to and from the bytes of a vCard file: no
// platform call, so that the tests build them for ARM too.
#include "platform/contact_store.h"

#include <memory>

#include "platform/vcard_reader.h"
#include "platform/vcard_values.h"
#include "platform/vcard_writer.h"

namespace
{

StoredContact StoredOf(const VCardContact &card)
{
    StoredContact contact;
    contact.name = card.name;
    contact.favorite = card.favorite;
    // Exactly as many as it has: a list of many cards holds no spare room.
    contact.numbers.reserve(card.numberCount);
    for (size_t i = 0; i < card.numberCount; i++)
        contact.numbers.emplace_back(card.numbers[i]);
    return contact;
}

// --- UTF-16 files ------------------------------------------------------

// Units converted at once; each gives at most three bytes of UTF-8.
#define UTF16_BLOCK_UNITS 4096

unsigned UnitAt(const std::string &bytes, size_t index, ContactFileEncoding encoding)
{
    unsigned first = (unsigned char)bytes[2 * index], second = (unsigned char)bytes[2 * index + 1];
    return encoding == CONTACT_FILE_UTF16BE ? first << 8 | second : second << 8 | first;
}

void PutUnit(std::string *out, unsigned unit, ContactFileEncoding encoding)
{
    char high = (char)(unit >> 8), low = (char)(unit & 0xFF);
    out->push_back(encoding == CONTACT_FILE_UTF16BE ? high : low);
    out->push_back(encoding == CONTACT_FILE_UTF16BE ? low : high);
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::vector<StoredContact> ParseVCards(const std::string &bytes, bool *cut)
{
    // The reader's work space and card are too big for the stack.
    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    StartVCardReader(reader.get(), bytes.data(), bytes.size());
    std::vector<StoredContact> contacts;
    bool more = false;
    while (ReadNextVCard(reader.get(), card.get())) {
        // One card past the limit says the list is cut; the rest are not
        // read at all.
        more = contacts.size() == CONTACT_CARD_LIMIT;
        if (more)
            break;
        contacts.push_back(StoredOf(*card));
    }
    if (cut)
        *cut = more;
    return contacts;
}

std::string FormatVCard(const StoredContact &contact)
{
    std::vector<VCardText> numbers;
    for (const std::wstring &number : contact.numbers)
        numbers.push_back({number.data(), number.size()});
    return WriteVCard({contact.name.data(), contact.name.size()}, numbers.data(), numbers.size(), contact.favorite);
}

ContactFileEncoding ContactFileEncodingOf(const std::string &bytes)
{
    if (bytes.size() < 2)
        return CONTACT_FILE_UTF8;
    unsigned char first = (unsigned char)bytes[0], second = (unsigned char)bytes[1];
    if ((first == 0xFF && second == 0xFE) || (IsAsciiLetter(bytes[0]) && second == 0))
        return CONTACT_FILE_UTF16LE;
    if ((first == 0xFE && second == 0xFF) || (first == 0 && IsAsciiLetter(bytes[1])))
        return CONTACT_FILE_UTF16BE;
    return CONTACT_FILE_UTF8;
}

std::string ContactFileToUtf8(const std::string &bytes, ContactFileEncoding encoding)
{
    if (encoding == CONTACT_FILE_UTF8)
        return bytes;
    // A block of units at a time: a file of tens of megabytes is not held
    // twice more as units.
    wchar_t units[UTF16_BLOCK_UNITS];
    char utf8[UTF16_BLOCK_UNITS * 3];
    size_t total = bytes.size() / 2;
    std::string text;
    text.reserve(total);
    for (size_t at = 0; at < total;) {
        size_t count = 0;
        for (; count < UTF16_BLOCK_UNITS && at + count < total; count++)
            units[count] = (wchar_t)UnitAt(bytes, at + count, encoding);
        // A pair is converted whole: a high surrogate that ends a block
        // waits for the next one, unless the file ends there.
        if (at + count < total && units[count - 1] >= 0xD800 && units[count - 1] <= 0xDBFF)
            count--;
        text.append(utf8, Utf16ToUtf8(utf8, sizeof(utf8), units, count));
        at += count;
    }
    return text;
}

std::string Utf8ToContactFile(const std::string &text, ContactFileEncoding encoding)
{
    if (encoding == CONTACT_FILE_UTF8)
        return text;
    const Bytes utf8 = {text.data(), text.size()};
    size_t size = 0;
    for (size_t at = 0; at < text.size();)
        size += NextUtf8(utf8, &at) < 0x10000 ? 2 : 4;
    std::string bytes;
    bytes.reserve(size);
    for (size_t at = 0; at < text.size();) {
        unsigned long character = NextUtf8(utf8, &at);
        if (character >= 0x10000) {
            PutUnit(&bytes, 0xD800 + ((character - 0x10000) >> 10), encoding);
            character = 0xDC00 + (character & 0x3FF);
        }
        PutUnit(&bytes, character, encoding);
    }
    return bytes;
}
