// The contact store's cards to and from the bytes of a vCard file: no
// platform call, so that the tests build them for ARM too.
#include "platform/contact_store.h"

#include <memory>

#include "platform/vcard_reader.h"
#include "platform/vcard_writer.h"

std::vector<StoredContact> ParseVCards(const std::string &bytes)
{
    // The reader's work space and card are too big for the stack.
    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    StartVCardReader(reader.get(), bytes.data(), bytes.size());
    std::vector<StoredContact> contacts;
    while (contacts.size() < CONTACT_CARD_LIMIT && ReadNextVCard(reader.get(), card.get())) {
        StoredContact contact;
        contact.name = card->name;
        contact.favorite = card->favorite;
        for (size_t i = 0; i < card->numberCount; i++)
            contact.numbers.emplace_back(card->numbers[i]);
        contacts.push_back(std::move(contact));
    }
    return contacts;
}

std::string FormatVCard(const StoredContact &contact)
{
    std::vector<VCardText> numbers;
    for (const std::wstring &number : contact.numbers)
        numbers.push_back({number.data(), number.size()});
    return WriteVCard({contact.name.data(), contact.name.size()}, numbers.data(), numbers.size(), contact.favorite);
}
