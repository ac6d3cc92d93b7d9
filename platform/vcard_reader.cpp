#include "platform/vcard_reader.h"

#include <string.h>

#include "base/phone_link.h"
#include "platform/vcard_values.h"

namespace
{

enum Encoding { ENCODING_NONE, ENCODING_QUOTED_PRINTABLE, ENCODING_BASE64 };

// A property line: group.NAME;param;param:value.
struct Property {
    Bytes name;
    Encoding encoding;
    Charset charset;
    size_t valueStart;
};

// --- Lines -------------------------------------------------------------

// The physical line at offset at, without its end; next is where the line
// after it starts. CRLF, LF and CR each end a line.
Bytes PhysicalLine(const VCardReader *reader, size_t at, size_t *next)
{
    size_t end = at;
    while (end < reader->length && reader->bytes[end] != '\r' && reader->bytes[end] != '\n')
        end++;
    size_t after = end;
    if (after < reader->length && reader->bytes[after] == '\r')
        after++;
    if (after < reader->length && reader->bytes[after] == '\n')
        after++;
    *next = after;
    return Bytes{reader->bytes + at, end - at};
}

// Keeps what fits of the line; says whether all of it did.
bool AppendToLine(VCardReader *reader, Bytes part)
{
    size_t room = VCARD_LINE_CAPACITY - reader->lineLength;
    size_t taken = part.size < room ? part.size : room;
    if (taken > 0)
        memcpy(reader->line + reader->lineLength, part.data, taken);
    reader->lineLength += taken;
    return taken == part.size;
}

// The colon that ends the name and parameters: the first one outside a
// quoted parameter value. The search goes on where it stopped, so that a
// line folded many times is still looked at once.
struct ColonSearch {
    size_t searched;
    bool quoted;
    bool found;
    size_t colon;
};

void SearchColon(const VCardReader *reader, ColonSearch *search)
{
    for (; !search->found && search->searched < reader->lineLength; search->searched++) {
        char c = reader->line[search->searched];
        if (c == '"') {
            search->quoted = !search->quoted;
        } else if (c == ':' && !search->quoted) {
            search->found = true;
            search->colon = search->searched;
        }
    }
}

// One parameter: KEY=VALUE, or in vCard 2.1 a bare value such as CELL or
// QUOTED-PRINTABLE.
void ReadParameter(Bytes parameter, Property *property)
{
    parameter = Trim(parameter);
    size_t equals = 0;
    while (equals < parameter.size && parameter.data[equals] != '=')
        equals++;
    bool bare = equals == parameter.size;
    Bytes key = bare ? Bytes{"", 0} : Trim(Bytes{parameter.data, equals});
    Bytes value = bare ? parameter : Unquote(Bytes{parameter.data + equals + 1, parameter.size - equals - 1});
    if (bare || EqualsIgnoringCase(key, "ENCODING")) {
        if (EqualsIgnoringCase(value, "QUOTED-PRINTABLE"))
            property->encoding = ENCODING_QUOTED_PRINTABLE;
        else if (EqualsIgnoringCase(value, "BASE64") || (!bare && EqualsIgnoringCase(value, "B")))
            property->encoding = ENCODING_BASE64;
    } else if (EqualsIgnoringCase(key, "CHARSET")) {
        property->charset = CharsetNamed(value);
    }
}

// The name (without its group) and the parameters before the colon.
Property ReadHeader(const char *line, size_t colon)
{
    Property property;
    memset(&property, 0, sizeof(property));
    property.valueStart = colon + 1;
    size_t nameEnd = 0;
    while (nameEnd < colon && line[nameEnd] != ';')
        nameEnd++;
    Bytes name = Trim(Bytes{line, nameEnd});
    for (size_t i = name.size; i > 0; i--) {
        if (name.data[i - 1] == '.') {
            name = Bytes{name.data + i, name.size - i};
            break;
        }
    }
    property.name = name;
    size_t start = nameEnd + 1;
    bool quoted = false;
    for (size_t i = start; i <= colon && nameEnd < colon; i++) {
        if (i < colon && line[i] == '"')
            quoted = !quoted;
        if (i == colon || (line[i] == ';' && !quoted)) {
            ReadParameter(Bytes{line + start, i - start}, &property);
            start = i + 1;
        }
    }
    return property;
}

bool IsCardBoundary(Bytes line)
{
    line = Trim(line);
    return EqualsIgnoringCase(line, "BEGIN:VCARD") || EqualsIgnoringCase(line, "END:VCARD");
}

bool IsBase64Data(Bytes line)
{
    line = Trim(line);
    if (line.size == 0)
        return false;
    for (size_t i = 0; i < line.size; i++) {
        char c = line.data[i];
        bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                        c == '/' || c == '=';
        if (!alphabet && !IsSpace(c))
            return false;
    }
    return true;
}

// Gathers one logical line into reader->line. Continuation lines are a
// quoted-printable soft line break (the line ends in '='), a fold (the next
// line starts with a space or tab: both go), and the data lines of a vCard
// 2.1 base64 value, which end at a blank line or at the next property.
bool ReadLogicalLine(VCardReader *reader)
{
    if (reader->position >= reader->length)
        return false;
    reader->lineLength = 0;
    ColonSearch search;
    memset(&search, 0, sizeof(search));
    Encoding encoding = ENCODING_NONE;
    size_t next;
    Bytes physical = PhysicalLine(reader, reader->position, &next);
    reader->position = next;
    for (;;) {
        bool whole = AppendToLine(reader, physical);
        if (!search.found) {
            SearchColon(reader, &search);
            if (search.found)
                encoding = ReadHeader(reader->line, search.colon).encoding;
        }
        bool softBreak = encoding == ENCODING_QUOTED_PRINTABLE && physical.size > 0 &&
                         physical.data[physical.size - 1] == '=' && reader->lineLength > search.colon + 1;
        if (softBreak && whole)
            reader->lineLength--;
        if (reader->position >= reader->length)
            break;
        Bytes following = PhysicalLine(reader, reader->position, &next);
        if (softBreak) {
            // A broken value must not swallow the end of its card.
            if (IsCardBoundary(following))
                break;
        } else if (following.size > 0 && IsSpace(following.data[0])) {
            following = Bytes{following.data + 1, following.size - 1};
        } else if (encoding == ENCODING_BASE64 && IsBase64Data(following)) {
        } else {
            if (encoding == ENCODING_BASE64 && Trim(following).size == 0)
                reader->position = next;
            break;
        }
        reader->position = next;
        // Binary data is never read: only its lines are passed over.
        physical = encoding == ENCODING_BASE64 ? Bytes{following.data, 0} : following;
    }
    return true;
}

// Reads the line in reader->line; false when it has no colon at all.
bool ReadProperty(const VCardReader *reader, Property *property)
{
    ColonSearch search;
    memset(&search, 0, sizeof(search));
    SearchColon(reader, &search);
    if (!search.found) {
        // An unbalanced quote: the first colon ends the parameters.
        const void *colon = memchr(reader->line, ':', reader->lineLength);
        if (!colon)
            return false;
        search.colon = (size_t)((const char *)colon - reader->line);
    }
    *property = ReadHeader(reader->line, search.colon);
    return true;
}

// Unescapes and decodes a text value (or one part of it) onto out.
void PutText(VCardReader *reader, WideText *out, Bytes value, Charset charset)
{
    size_t size = Unescape(value, reader->scratch, charset);
    PutDecoded(out, Bytes{reader->scratch, size}, charset);
}

void ReadNumber(VCardReader *reader, VCardContact *contact, Bytes value, Charset charset)
{
    if (contact->numberCount >= VCARD_NUMBER_LIMIT)
        return;
    size_t size = Unescape(value, reader->scratch, charset);
    Bytes number = {reader->scratch, size};
    wchar_t *kept = contact->numbers[contact->numberCount];
    if (StartsIgnoringCase(number, "tel:")) {
        // Read as the dialer reads links. One too long for the card is kept
        // as text below, cut: still too long to dial.
        PhoneLinkResult read = ReadPhoneLinkBytes(kept, VCARD_NUMBER_CAPACITY, number.data, number.size);
        if (read == PHONE_LINK_NUMBER)
            contact->numberCount++;
        if (read != PHONE_LINK_TOO_LONG)
            return;
    }
    WideText out = StartText(kept, VCARD_NUMBER_CAPACITY);
    PutDecoded(&out, number, charset);
    // A number is kept as written, for the list to show; a value that no
    // number reads from (an address, a word) is none to dial.
    if (out.length > 0 &&
        (out.full || ReadWrittenNumber(reader->numberRead, VCARD_NUMBER_CAPACITY, kept) != PHONE_LINK_NO_NUMBER))
        contact->numberCount++;
}

// N is family;given;additional;prefix;suffix, shown as prefix given
// additional family suffix.
void ReadStructuredName(VCardReader *reader, WideText *out, Bytes value, Charset charset)
{
    Bytes parts[5];
    memset(parts, 0, sizeof(parts));
    size_t count = 0, start = 0;
    for (size_t i = 0; i <= value.size && count < 5; i++) {
        // A double-byte Shift_JIS character is passed over whole, since its
        // trail byte may read as a backslash or a ';'; so is a backslash
        // with the single-byte character it escapes (Unescape keeps a
        // backslash before a double-byte one as it is).
        if (i < value.size && CharacterSize(value, i, charset) == 2) {
            i++;
        } else if (i + 1 < value.size && value.data[i] == '\\' && CharacterSize(value, i + 1, charset) == 1) {
            i++;
        } else if (i >= value.size || value.data[i] == ';') {
            parts[count++] = Bytes{value.data + start, (i < value.size ? i : value.size) - start};
            start = i + 1;
        }
    }
    static const int shownOrder[5] = {3, 1, 2, 0, 4};
    for (size_t i = 0; i < sizeof(shownOrder) / sizeof(shownOrder[0]); i++) {
        Bytes part = Trim(parts[shownOrder[i]]);
        if (part.size == 0)
            continue;
        if (out->length > 0)
            PutUnits(out, L" ", 1);
        PutText(reader, out, part, charset);
    }
}

// What the line in reader->line means to a program that edits cards.
VCardLineKind KindOf(const VCardReader *reader, const Property &property)
{
    Bytes value = Trim(Bytes{reader->line + property.valueStart, reader->lineLength - property.valueStart});
    if (EqualsIgnoringCase(property.name, "X-PELLOMAR-FAVORITE"))
        return VCARD_LINE_FAVORITE;
    if (!EqualsIgnoringCase(value, "VCARD"))
        return VCARD_LINE_OTHER;
    if (EqualsIgnoringCase(property.name, "BEGIN"))
        return VCARD_LINE_BEGIN;
    return EqualsIgnoringCase(property.name, "END") ? VCARD_LINE_END : VCARD_LINE_OTHER;
}

// A card without a formatted name is named by its structured name.
bool FinishCard(VCardContact *contact, const wchar_t *structured)
{
    if (contact->name[0] == 0)
        memcpy(contact->name, structured, VCARD_TEXT_CAPACITY * sizeof(wchar_t));
    return true;
}

} // namespace

void StartVCardReader(VCardReader *reader, const char *bytes, size_t length)
{
    reader->bytes = bytes;
    reader->length = length;
    reader->position = length >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    reader->beginPending = false;
    reader->pendingStart = 0;
    reader->lineLength = 0;
}

bool ReadNextVCard(VCardReader *reader, VCardContact *contact)
{
    bool inCard = reader->beginPending;
    reader->beginPending = false;
    contact->name[0] = 0;
    contact->numberCount = 0;
    contact->favorite = false;
    contact->cardStart = reader->pendingStart;
    contact->cardEnd = reader->length;
    wchar_t structured[VCARD_TEXT_CAPACITY];
    structured[0] = 0;
    // vCard 2.1 may carry an agent's whole card inside a card, on the lines
    // after AGENT: or after AGENT:BEGIN:VCARD; its properties are not the
    // card's, and its END does not end the card.
    bool agentPending = false;
    size_t nestedDepth = 0;
    for (size_t lineStart = reader->position; ReadLogicalLine(reader); lineStart = reader->position) {
        Property property;
        if (!ReadProperty(reader, &property))
            continue;
        char *value = reader->line + property.valueStart;
        size_t size = reader->lineLength - property.valueStart;
        VCardLineKind kind = KindOf(reader, property);
        bool begin = kind == VCARD_LINE_BEGIN;
        bool end = kind == VCARD_LINE_END;
        bool agent = EqualsIgnoringCase(property.name, "AGENT");
        bool agentBegins = agent && EqualsIgnoringCase(Trim(Bytes{value, size}), "BEGIN:VCARD");
        if (!inCard) {
            inCard = begin;
            contact->cardStart = lineStart;
            continue;
        }
        if (nestedDepth > 0) {
            if (begin || agentBegins)
                nestedDepth++;
            else if (end)
                nestedDepth--;
            continue;
        }
        if ((begin && agentPending) || agentBegins) {
            nestedDepth = 1;
            agentPending = false;
            continue;
        }
        if (begin) {
            reader->beginPending = true;
            reader->pendingStart = lineStart;
            contact->cardEnd = lineStart;
            return FinishCard(contact, structured);
        }
        if (end) {
            contact->cardEnd = reader->position;
            return FinishCard(contact, structured);
        }
        agentPending = agent && Trim(Bytes{value, size}).size == 0;
        if (property.encoding == ENCODING_BASE64)
            continue;
        if (property.encoding == ENCODING_QUOTED_PRINTABLE)
            size = DecodeQuotedPrintable(value, size);
        Bytes text = {value, size};
        if (EqualsIgnoringCase(property.name, "FN") && contact->name[0] == 0) {
            WideText out = StartText(contact->name, VCARD_TEXT_CAPACITY);
            PutText(reader, &out, text, property.charset);
        } else if (EqualsIgnoringCase(property.name, "N") && structured[0] == 0) {
            WideText out = StartText(structured, VCARD_TEXT_CAPACITY);
            ReadStructuredName(reader, &out, text, property.charset);
        } else if (EqualsIgnoringCase(property.name, "TEL")) {
            ReadNumber(reader, contact, text, property.charset);
        } else if (kind == VCARD_LINE_FAVORITE && !EqualsIgnoringCase(Trim(text), "0")) {
            contact->favorite = true;
        }
    }
    return inCard && FinishCard(contact, structured);
}

bool ReadNextVCardLine(VCardReader *reader, VCardLine *line)
{
    line->start = reader->position;
    if (!ReadLogicalLine(reader))
        return false;
    line->end = reader->position;
    Property property;
    line->kind = ReadProperty(reader, &property) ? KindOf(reader, property) : VCARD_LINE_OTHER;
    return true;
}
