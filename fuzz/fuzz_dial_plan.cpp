// The dial plan over random plans and numbers, into random capacities.
#include "base/text.h"
#include "dialing/numbers.h"
#include "fuzz/fuzz_input.h"

static bool IsConsumable(WCHAR c)
{
    return (c >= L'0' && c <= L'9') || c == L'+' || c == L'#' || c == L'*';
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = 1 + TakeBelow(&in, 2 * NUMBER_CAPACITY);
    std::vector<WCHAR> number = TakeText(&in, NUMBER_CAPACITY - 1);
    std::vector<WCHAR> plan = TakeText(&in, DIAL_PLAN_CAPACITY - 1);
    GuardedBuffer out(capacity);
    FormatWithDialPlan(out.Data(), capacity, number.data(), plan.data());
    FUZZ_CHECK(out.GuardsIntact());
    size_t length = out.TerminatedLength();
    FUZZ_CHECK(length < capacity);

    // Whatever the plan, the digits and signs shown are those of the number,
    // in order: a pattern consumes them one by one and adds none of its own;
    // the tidying may cut the end, and a raw number may be cut to fit.
    size_t next = 0;
    for (size_t i = 0; i < length; i++) {
        WCHAR c = out.Data()[i];
        if (!IsConsumable(c))
            continue;
        while (number[next] && !IsConsumable(number[next]) && number[next] != c)
            next++;
        FUZZ_CHECK(number[next] == c);
        next++;
    }
    return 0;
}
