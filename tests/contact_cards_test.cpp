// Contact cards: reading what other programs wrote, and writing cards that
// read back the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/contact_store.h"
#include "platform/vcard_reader.h"
#include "support/contact_support.h"

namespace
{

TEST(ParseVCards, ReadsNameAndEveryNumberInOrder)
{
    auto cards =
        ParseVCards("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jane Doe\r\nN:Doe;Jane;;;\r\nTEL;TYPE=CELL:(555) 123-4567\r\n"
                    "TEL;TYPE=WORK:+1 555 0100\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Bob\r\nEND:VCARD\r\n");
    ASSERT_EQ(2u, cards.size());
    ExpectContact(cards[0], L"Jane Doe", {L"(555) 123-4567", L"+1 555 0100"});
    ExpectContact(cards[1], L"Bob", {});
}

TEST(ParseVCards, HandlesLfFoldingParametersGroupsAndCase)
{
    auto cards = ParseVCards("begin:vcard\nfn:Jo\n hn \n\tSmith\nTEL;TYPE=CELL;TYPE=VOICE:555\n 0100\n"
                             "item1.TEL:555-0101\ntel;type=\"x:y\":555-0102\nEnd:VCard\n");
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"John Smith", {L"5550100", L"555-0101", L"555-0102"});
}

TEST(ParseVCards, UnescapesEveryTextValueNumbersIncluded)
{
    auto cards = ParseVCards("BEGIN:VCARD\nFN:Doe\\, Jane\\; Jr\\\\x\\nNext\\NLast\\q\nTEL:555\\,1\n"
                             "TEL:555\\;0001\nTEL:12\\\\34\nEND:VCARD\n"
                             "BEGIN:VCARD\nN:Doe\\;Smith;Jane\\, Ann;;;\nEND:VCARD\n");
    ASSERT_EQ(2u, cards.size());
    // An unescaped backslash is no part of a number.
    ExpectContact(cards[0], L"Doe, Jane; Jr\\x Next Last\\q", {L"555,1", L"555;0001"});
    ExpectContact(cards[1], L"Jane, Ann Doe;Smith", {});
}

TEST(ParseVCards, FallsBackToStructuredNameOrNone)
{
    auto cards = ParseVCards("BEGIN:VCARD\nN:Doe;Jane;Q;Dr.;\nEND:VCARD\nBEGIN:VCARD\nFN:\nTEL:1\nEND:VCARD\n");
    ASSERT_EQ(2u, cards.size());
    ExpectContact(cards[0], L"Dr. Jane Q Doe", {});
    ExpectContact(cards[1], L"", {L"1"});
}

TEST(ParseVCards, SkipsBomAndGarbageAndKeepsUnendedCard)
{
    auto cards = ParseVCards("\xEF\xBB\xBF"
                             "BEGIN:VCARD\r\nFN:A\r\nno colon here\r\nEND:VCARD\r\n\r\njunk\r\n"
                             "FN:Outside\r\nBEGIN:VCARD\r\nFN:B\r\nBEGIN:VCARD\r\nFN:C\r\nTEL:3");
    ASSERT_EQ(3u, cards.size());
    ExpectContact(cards[0], L"A", {});
    ExpectContact(cards[1], L"B", {});
    ExpectContact(cards[2], L"C", {L"3"});
    EXPECT_TRUE(ParseVCards("").empty());
    EXPECT_TRUE(ParseVCards("FN:Nobody\nTEL:1\n").empty());
}

TEST(ParseVCards, ReplacesInvalidUtf8)
{
    auto cards = ParseVCards("BEGIN:VCARD\nFN:a\xFF"
                             "b\xC3"
                             "c\xC0\xAF"
                             "d\xED\xA0\x80"
                             "e\xF0\x9F\x93\x9E\nEND:VCARD\n");
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"a\uFFFDb\uFFFDc\uFFFD\uFFFDd\uFFFDe\U0001F4DE", {});
}

TEST(ParseVCards, CutsOverLongValuesAtACharacterBoundary)
{
    std::string digits(200000, '7');
    std::string phones;
    for (int i = 0; i < 200; i++)
        phones += "\xF0\x9F\x93\x9E";
    auto cards = ParseVCards("BEGIN:VCARD\nFN:" + phones + "\nTEL:" + digits + "\nTEL:1\nEND:VCARD\n"
                             "BEGIN:VCARD\nFN:After\nEND:VCARD\n");
    ASSERT_EQ(2u, cards.size());
    std::wstring pairs;
    for (int i = 0; i < (VCARD_TEXT_CAPACITY - 1) / 2; i++)
        pairs += L"\U0001F4DE";
    ExpectContact(cards[0], pairs, {std::wstring(VCARD_NUMBER_CAPACITY - 1, L'7'), L"1"});
    ExpectContact(cards[1], L"After", {});
}

TEST(ParseVCards, KeepsAtMostTheNumberLimitOfEachCard)
{
    std::string card = "BEGIN:VCARD\nFN:Many\n";
    for (int i = 0; i < VCARD_NUMBER_LIMIT + 8; i++)
        card += "TEL:" + std::to_string(i) + "\n";
    auto cards = ParseVCards(card + "END:VCARD\nBEGIN:VCARD\nTEL:99\nEND:VCARD\n");
    ASSERT_EQ(2u, cards.size());
    ASSERT_EQ((size_t)VCARD_NUMBER_LIMIT, cards[0].numbers.size());
    const std::string last = std::to_string(VCARD_NUMBER_LIMIT - 1);
    EXPECT_EQ(std::wstring(last.begin(), last.end()), cards[0].numbers.back());
    ExpectContact(cards[1], L"", {L"99"});
}

TEST(ParseVCards, ReadsAtMostTheCardLimitAndSaysSo)
{
    std::string text;
    for (int i = 0; i < CONTACT_CARD_LIMIT + 5; i++)
        text += "BEGIN:VCARD\r\nTEL:" + std::to_string(i) + "\r\nEND:VCARD\r\n";
    bool cut = false;
    auto cards = ParseVCards(text, &cut);
    EXPECT_TRUE(cut);
    ASSERT_EQ((size_t)CONTACT_CARD_LIMIT, cards.size());
    const std::string last = std::to_string(CONTACT_CARD_LIMIT - 1);
    ExpectContact(cards.back(), L"", {std::wstring(last.begin(), last.end())});
}

// The units a UTF-16 file may hold beyond a card's (the store's tests read,
// add to and mark whole files): read as UTF-8, the file gives its units back
// unless one of them has no UTF-8 form.
TEST(ContactFileEncoding, Utf16FilesReadAsUtf8AndBack)
{
    const struct {
        std::u16string units;
        ContactFileEncoding encoding;
        bool roundTrip;
        std::string text;
    } cases[] = {
        // Lone surrogates: a high one before no low one, a low one, a high
        // one at the end.
        {u"A\xD83D\x0042\xDCDE\xD83D", CONTACT_FILE_UTF16LE, false, "A\xEF\xBF\xBD\x42\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::u16string(u"A\0B", 3), CONTACT_FILE_UTF16BE, true, std::string("A\0B", 3)},
        // A pair across the converter's blocks of 4096 units stays one.
        {std::u16string(4095, u'a') + u"\U0001F4DE", CONTACT_FILE_UTF16LE, true,
         std::string(4095, 'a') + "\xF0\x9F\x93\x9E"},
        // Not a letter first: a UTF-8 file whose second byte is zero.
        {u"1", CONTACT_FILE_UTF8, true, std::string("1\0", 2)},
    };
    for (const auto &c : cases) {
        std::string bytes;
        for (char16_t unit : c.units) {
            char high = (char)(unit >> 8), low = (char)(unit & 0xFF);
            bytes += c.encoding == CONTACT_FILE_UTF16BE ? std::string{high, low} : std::string{low, high};
        }
        SCOPED_TRACE(testing::PrintToString(bytes));
        ASSERT_EQ(c.encoding, ContactFileEncodingOf(bytes));
        std::string text = ContactFileToUtf8(bytes, c.encoding);
        EXPECT_EQ(c.text, text);
        EXPECT_EQ(c.roundTrip, Utf8ToContactFile(text, c.encoding) == bytes);
    }
}

// A list shows no control character, so none may reach a call: whatever
// encoding a line break, a tab or another control character arrives in, the
// name and the number hold a space in its place.
TEST(ParseVCards, EveryDecodedControlCharacterBecomesASpace)
{
    auto cards = ParseVCards(
        "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:Jane=0D=0ARoe=09=7F\r\n"
        "TEL;ENCODING=QUOTED-PRINTABLE:555=0D=0A0100\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\\nLee\r\nTEL:555\\n0101\r\n"
        "TEL;VALUE=uri:tel:555%0D%0A0102;ext=4%0A2\r\nEND:VCARD\r\n"
        // C1 controls: in UTF-8, and in the high half of ISO-8859-1.
        "BEGIN:VCARD\r\nFN:Bo\xC2\x85" "b\r\nTEL;CHARSET=ISO-8859-1:555\x81\x9D" "0103\r\nEND:VCARD\r\n");
    ASSERT_EQ(3u, cards.size());
    ExpectContact(cards[0], L"Jane  Roe  ", {L"555  0100"});
    ExpectContact(cards[1], L"Ann Lee", {L"555 0101"}); // a link holding one is no number
    ExpectContact(cards[2], L"Bo b", {L"555  0103"});
}

// vCard 2.1 as phones write it.
TEST(ParseVCards, ReadsQuotedPrintableWithSoftBreaksAndCharsets)
{
    auto cards = ParseVCards(
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=9F=D0=B5=D1=82=D1=80=D0=BE=D0=B2;M=C3=\r\n"
        "=BCller;;;\r\nTEL;CELL;VOICE:+7 912\r\nEND:VCARD\r\n"
        // Lower-case hex, a bare encoding parameter, and a charset given in quotes.
        "BEGIN:VCARD\r\nFN;QUOTED-PRINTABLE;CHARSET=\"utf-8\":Ren=c3=a9e=20=\r\nRoy\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nFN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Andr=E9 =\r\n=C5se\r\nEND:VCARD\r\n"
        // A quoted-printable number, and an encoding that applies to nothing else.
        "BEGIN:VCARD\r\nFN:Plain=41\r\nTEL;ENCODING=QUOTED-PRINTABLE:555=2D=\r\n0100\r\nEND:VCARD\r\n");
    ASSERT_EQ(4u, cards.size());
    ExpectContact(cards[0], L"M\u00fcller \u041f\u0435\u0442\u0440\u043e\u0432", {L"+7 912"});
    ExpectContact(cards[1], L"Ren\u00e9e Roy", {});
    ExpectContact(cards[2], L"Andr\u00e9 \u00c5se", {});
    ExpectContact(cards[3], L"Plain=41", {L"555-0100"});
}

TEST(ParseVCards, MalformedQuotedPrintableStaysVisibleAndEndsAtTheCard)
{
    auto cards = ParseVCards("BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:=ZZa=4=\nEND:VCARD\n"
                             "BEGIN:VCARD\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Ab=E2=82\nTEL:1\nEND:VCARD\n"
                             "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:Cut=\nBEGIN:VCARD\nFN:Next\nEND:VCARD\n");
    ASSERT_EQ(4u, cards.size());
    ExpectContact(cards[0], L"=ZZa=4", {}); // a soft break before END does not swallow it
    ExpectContact(cards[1], L"Ab\uFFFD", {L"1"}); // a truncated sequence
    ExpectContact(cards[2], L"Cut", {});
    ExpectContact(cards[3], L"Next", {});
}

TEST(ParseVCards, EndlessSoftBreaksStayInTheirCard)
{
    std::string breaks;
    for (int i = 0; i < 500000; i++)
        breaks += "=41=\r\n";
    auto cards = ParseVCards("BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:" + breaks +
                             "END:VCARD\r\nBEGIN:VCARD\r\nFN:After\r\nTEL:2\r\nEND:VCARD\r\n");
    ASSERT_EQ(2u, cards.size());
    ExpectContact(cards[0], std::wstring(VCARD_TEXT_CAPACITY - 1, L'A'), {});
    ExpectContact(cards[1], L"After", {L"2"});
}

TEST(ParseVCards, Base64PhotosEndWithoutEndingTheCard)
{
    auto cards = ParseVCards(
        // vCard 2.1: indented data lines and a blank line after them.
        "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Indented\r\nPHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQ\r\n"
        "  AAAQABAAD/2wBDAAgGBgcGBQgH\r\n  BwcJCQgKDBQNDAsLDBkSEw8U==\r\n\r\nTEL;CELL:555-0001\r\nEND:VCARD\r\n"
        // Data lines that are not indented, and no blank line before the next property.
        "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Flush\r\nPHOTO;BASE64;GIF:R0lGODlhAQABAIAAAP\r\n5550100\r\n"
        "AAAAAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==\r\nTEL:555-0002\r\nEND:VCARD\r\n"
        // vCard 3.0: one folded line.
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Folded\r\nPHOTO;ENCODING=b;TYPE=JPEG:MIICajCCAdOgAwIBAgICBEUwDQYJ\r\n"
        " KoZIhvcNAQEEBQAwdzELMAkGA1UEBhMCVVMxLDAqBgNVBAoTI05ldHNjYXBl\r\nTEL:555-0003\r\nEND:VCARD\r\n"
        // A photo that the end of the file cuts off.
        "BEGIN:VCARD\r\nFN:Last\r\nTEL:555-0004\r\nPHOTO;ENCODING=BASE64:AAAA\r\n  BBBB");
    ASSERT_EQ(4u, cards.size());
    ExpectContact(cards[0], L"Indented", {L"555-0001"});
    ExpectContact(cards[1], L"Flush", {L"555-0002"}); // a data line of digits is no number
    ExpectContact(cards[2], L"Folded", {L"555-0003"});
    ExpectContact(cards[3], L"Last", {L"555-0004"});
}

// vCard 4.0 tel: URIs give the number that is dialled, read as the dialer
// reads links; one that holds no number, or an address, gives none.
TEST(ParseVCards, TelUrisGiveTheirNumberAndExtension)
{
    auto cards = ParseVCards("BEGIN:VCARD\nVERSION:4.0\nFN:Uri\n"
                             "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-555-0100;ext=42\n"
                             "TEL;VALUE=uri:tel:5550199;phone-context=+1-555\n"
                             "TEL;VALUE=uri:TEL:%2B44-20-7946-0000;EXT=7;isub=9\n"
                             "TEL;VALUE=uri:tel:+1-555-0101;ext=\n"
                             "TEL;VALUE=uri:tel:\n"
                             "TEL;VALUE=uri:tel:%ZZ12\n"
                             "TEL;VALUE=uri:sip:jane@example.com\n"
                             "TEL:tel:+1-555-0102\\;ext=3\n"
                             "END:VCARD\n");
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"Uri",
                  {L"+15550100p42", L"+15555550199", L"+442079460000p7", L"+15550101", L"+15550102p3"});
}

TEST(ParseVCards, DecodesTheCharsetsPhonesWriteAndNoOtherAsUtf8)
{
    struct Case {
        const char *properties;
        const wchar_t *name;
        std::vector<std::wstring> numbers;
    };
    const Case cases[] = {
        // A Japanese phone's vCard 2.1: Shift_JIS, quoted-printable.
        {"VERSION:2.1\r\nN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=93=63;=91=BE=98=59;;;\r\n"
         "TEL;CELL:090-1234-5678\r\n",
         L"\u592a\u90ce \u5c71\u7530", {L"090-1234-5678"}},
        // Trail bytes 0x5C are no backslash, before ';' or 'n'; a lead byte
        // without its trail is U+FFFD, and ';' after it still splits.
        {"N;CHARSET=sjis:\x83\x5C;\x95\x5C;\x83\r\n", L"\u8868 \uFFFD \u30BD", {}},
        {"FN;CHARSET=CP932:\x83\x5Cn\xB1\x83\r\n", L"\u30BDn\uFF71\uFFFD", {}},
        // A charset the reader does not know: UTF-8 bytes are not read as UTF-8.
        {"FN;CHARSET=KOI8-R:\xC3\xA9 \xF0\xD5\r\nTEL;CHARSET=KOI8-R:555 0100\r\n", L"\uFFFD\uFFFD \uFFFD\uFFFD",
         {L"555 0100"}},
        {"FN;CHARSET=WINDOWS-1251;ENCODING=QUOTED-PRINTABLE:=CF=E5=F2=F0=98\r\n", L"\u041f\u0435\u0442\u0440\uFFFD", {}},
        {"FN;CHARSET=iso_8859-2:\xA3\xF3" "d\xBC\r\n", L"\u0141\u00F3d\u017A", {}},
        {"FN;CHARSET=Latin5:\xFD\r\n", L"\u0131", {}},
        {"N;CHARSET=CP1252:\x80\x81\r\n", L"\u20AC\uFFFD", {}},
        // An agent's card after AGENT:, or begun on the AGENT line itself.
        {"VERSION:2.1\r\nFN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Assistant\r\nTEL:555-0009\r\nEND:VCARD\r\n"
         "TEL:555-0001\r\n",
         L"Boss", {L"555-0001"}},
        {"AGENT:BEGIN:VCARD\r\nFN:Assistant\r\nTEL:555-0009\r\nEND:VCARD\r\nFN:Boss\r\nTEL:555-0001\r\n", L"Boss",
         {L"555-0001"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.properties);
        auto cards = ParseVCards(std::string("BEGIN:VCARD\r\n") + c.properties + "END:VCARD\r\n");
        ASSERT_EQ(1u, cards.size());
        ExpectContact(cards[0], c.name, c.numbers);
    }
}

TEST(ParseVCards, CardsItCannotReadLeaveTheOthersWhole)
{
    std::string junk = std::string(1, '\0') + "\x01\xFF\xFE:;;==\\\r\n\r\r\n;:\n\"unbalanced:quote\n";
    auto cards = ParseVCards("BEGIN:VCARD\nFN:First\nTEL:1\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:9.9\n" + junk + "X-THING;;;=:\n:\n;\nEND:VCARD\n"
                             "BEGIN:VCARD\n" + junk + "\nBEGIN:VCARD\nFN:Second\nTEL:2\nEND:VCARD\n"
                             "END:VCARD\nBEGIN:VCALENDAR\nTEL:3\nEND:VCALENDAR\n"
                             "BEGIN:VCARD\nFN;X=\"a:b\";CHARSET=UTF-8:Quoted\nFN:Ignored\nEND:VCARD\n");
    ASSERT_EQ(5u, cards.size());
    ExpectContact(cards[0], L"First", {L"1"});
    EXPECT_TRUE(cards[1].numbers.empty());
    EXPECT_TRUE(cards[2].numbers.empty());
    ExpectContact(cards[3], L"Second", {L"2"});
    ExpectContact(cards[4], L"Quoted", {});
}

// The contacts program's mark: any value but 0, any case, with parameters;
// not a mark in another property's value, nor an agent's.
TEST(ParseVCards, ReadsTheFavoriteMark)
{
    auto cards = ParseVCards("BEGIN:VCARD\nX-PELLOMAR-FAVORITE:1\nEND:VCARD\nBEGIN:VCARD\n"
                             "x-pellomar-favorite;TYPE=x:TRUE\nEND:VCARD\nBEGIN:VCARD\nX-PELLOMAR-FAVORITE: 0\n"
                             "END:VCARD\nBEGIN:VCARD\nNOTE:X-PELLOMAR-FAVORITE:1\nEND:VCARD\nBEGIN:VCARD\nAGENT:\n"
                             "BEGIN:VCARD\nX-PELLOMAR-FAVORITE:1\nEND:VCARD\nEND:VCARD\n");
    ASSERT_EQ(5u, cards.size());
    for (size_t i = 0; i < cards.size(); i++)
        EXPECT_EQ(i < 2, cards[i].favorite) << i;
}

TEST(FormatVCard, WritesEscapedFoldedCrlfCard)
{
    std::string card = FormatVCard(Contact(L"Doe, Jane; \\", {L"(555) 123-4567"}));
    EXPECT_EQ(0u, card.find("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Doe\\, Jane\\; \\\\\r\nN:"));
    EXPECT_NE(std::string::npos, card.find("\r\nTEL;TYPE=CELL:(555) 123-4567\r\nEND:VCARD\r\n"));

    std::string folded = FormatVCard(Contact(std::wstring(60, L'\u00E9'), {}));
    size_t start = 0;
    for (size_t end; (end = folded.find("\r\n", start)) != std::string::npos; start = end + 2) {
        EXPECT_LE(end - start, 75u);
        EXPECT_EQ(std::string::npos, folded.substr(start, end - start).find('\n'));
    }
    EXPECT_EQ(folded.size(), start);
}

TEST(FormatVCard, ReadsBackTheSameContact)
{
    std::vector<StoredContact> contacts = {
        Contact(L"Doe, Jane; \"Jr\" \\ back", {L"(555) 123-4567", L"+1 555 0100"}),
        Contact(L"Zo\u00EB \u00C5str\u00F6m", {L"+46 8 123 456"}),
        Contact(L"Line break \U0001F4DE " + std::wstring(100, L'\u00E5'), {L"*31#555,,12;9", L"1-800-FLOWERS x 12"}),
        Contact(L"", {L"911"}),
        Contact(L"Back\\slash \\n", {}),
        StoredContact{L"Favorite", {L"555"}, true},
    };
    for (const StoredContact &contact : contacts) {
        auto cards = ParseVCards(FormatVCard(contact));
        ASSERT_EQ(1u, cards.size());
        ExpectContact(cards[0], contact.name, contact.numbers);
        EXPECT_EQ(contact.favorite, cards[0].favorite);
    }
    // A line break the writer escapes reads back as a space, as any other
    // control character does.
    auto cards = ParseVCards(FormatVCard(Contact(L"Line\nbreak", {L"555\t0100"})));
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"Line break", {L"555 0100"});
}

} // namespace

// Found by fuzzing: NUL bytes at the start of a value gave a number whose
// text ended at once, an empty entry with the real value hidden behind it.
TEST(ParseVCards, NulBytesInAValueAreLeftOut)
{
    static const char bytes[] = "BEGIN:VCARD\r\nFN:Jo\0e\r\nTEL:\0\0" "5550199\r\nTEL:\0\r\nEND:VCARD\r\n";
    auto cards = ParseVCards(std::string(bytes, sizeof(bytes) - 1));
    ASSERT_EQ(1u, cards.size());
    ExpectContact(cards[0], L"Joe", {L"5550199"});
}
