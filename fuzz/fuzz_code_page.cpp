// The services' 8-bit code page: every byte comes back as itself, and every
// unit either comes back as itself or stands as '?'.
#include "base/text.h"
#include "dialing/service_text.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = 1 + TakeBelow(&in, 600);
    std::vector<WCHAR> text = TakeText(&in, 512);

    std::vector<char> bytes(capacity + 8, 'Z');
    size_t count = ToServiceBytes(bytes.data(), capacity, text.data());
    FUZZ_CHECK(count < capacity && bytes[count] == 0 && bytes[capacity] == 'Z');
    FUZZ_CHECK(count == (TextLength(text.data()) < capacity - 1 ? TextLength(text.data()) : capacity - 1));

    GuardedBuffer back(capacity);
    FromServiceBytes(back.Data(), capacity, bytes.data(), count);
    FUZZ_CHECK(back.GuardsIntact());
    FUZZ_CHECK(back.TerminatedLength() == count);
    for (size_t i = 0; i < count; i++)
        FUZZ_CHECK(back.Data()[i] == text[i] || (back.Data()[i] == L'?' && bytes[i] == '?'));

    // Bytes, not units: the raw input read as a reply.
    std::vector<WCHAR> units(size + 1);
    FromServiceBytes(units.data(), size + 1, (const char *)data, size);
    std::vector<char> again(size + 1);
    FUZZ_CHECK(ToServiceBytes(again.data(), size + 1, units.data()) <= size);
    for (size_t i = 0; i < size && units[i]; i++)
        FUZZ_CHECK(again[i] == (char)data[i]);
    return 0;
}
