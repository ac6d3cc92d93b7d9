// Splitting a fuzzer's bytes into the arguments of one call: small numbers,
// and UTF-16 texts of bounded length, each terminated.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "base/portable_types.h"
#include "base/text.h"

struct FuzzInput {
    const uint8_t *data;
    size_t size;
};

static inline unsigned TakeByte(FuzzInput *in)
{
    if (in->size == 0)
        return 0;
    in->size--;
    return *in->data++;
}

// A number in 0 .. limit - 1.
static inline size_t TakeBelow(FuzzInput *in, size_t limit)
{
    size_t value = TakeByte(in) | (TakeByte(in) << 8);
    return limit ? value % limit : 0;
}

// Up to maxUnits units, ending at a unit 0xFFFF or the
// input's end. Units of the ASCII range are made likely, so that the
// grammar's characters come up often.
static inline std::vector<WCHAR> TakeText(FuzzInput *in, size_t maxUnits)
{
    std::vector<WCHAR> text;
    while (text.size() < maxUnits && in->size > 0) {
        unsigned low = TakeByte(in);
        if (low == 0xFF)
            break;
        // A byte with its top bit set brings a whole unit in the next two.
        WCHAR unit = (WCHAR)low;
        if (low & 0x80)
            unit = (WCHAR)(TakeByte(in) | (TakeByte(in) << 8));
        if (unit == 0)
            unit = L' ';
        text.push_back(unit);
    }
    text.push_back(0);
    return text;
}

// A check that holds on every input: a failure is a finding.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            abort();                                                                                                   \
    } while (0)

// The text's length; a finding when it is not terminated within its
// capacity or holds a control character.
static inline size_t CheckedText(const WCHAR *text, size_t capacity)
{
    for (size_t i = 0; i < capacity; i++) {
        if (text[i] == 0)
            return i;
        FUZZ_CHECK(!TextIsControl(text[i]));
    }
    abort();
}

// An output buffer of the given capacity with guard units behind it; the
// guards must survive every call.
struct GuardedBuffer {
    static const size_t GUARD = 8;
    std::vector<WCHAR> units;
    size_t capacity;
    explicit GuardedBuffer(size_t capacity) : units(capacity + GUARD, (WCHAR)0xBEEF), capacity(capacity) {}
    WCHAR *Data() { return units.data(); }
    bool GuardsIntact() const
    {
        for (size_t i = capacity; i < units.size(); i++) {
            if (units[i] != (WCHAR)0xBEEF)
                return false;
        }
        return true;
    }
    // Terminated within the capacity; the length is returned.
    size_t TerminatedLength() const
    {
        for (size_t i = 0; i < capacity; i++) {
            if (units[i] == 0)
                return i;
        }
        abort();
    }
};
