// The three services' reply parsers over random replies: what they take
// from a reply stays within its buffer, and never carries a line break
// into the next request.
#include "base/text.h"
#include "dialing/service_text.h"
#include "fuzz/fuzz_input.h"

static bool IsWithin(const WCHAR *text, size_t length, const std::vector<WCHAR> &reply)
{
    for (size_t start = 0; start + length < reply.size(); start++) {
        size_t n = 0;
        while (n < length && reply[start + n] == text[n])
            n++;
        if (n == length)
            return true;
    }
    return false;
}

static void CheckCookies(const std::vector<WCHAR> &reply, size_t capacity)
{
    GuardedBuffer first(capacity), second(capacity);
    first.Data()[0] = second.Data()[0] = 0;
    WantedCookie wanted[] = {{L"a_t", first.Data(), capacity}, {L".ASPXAUTH", second.Data(), capacity}};
    ScanCookies(reply.data(), wanted, 2);
    for (GuardedBuffer *value : {&first, &second}) {
        FUZZ_CHECK(value->GuardsIntact());
        size_t length = value->TerminatedLength();
        FUZZ_CHECK(!TextFindUnit(value->Data(), L'\r') && !TextFindUnit(value->Data(), L'\n'));
        FUZZ_CHECK(!TextFindUnit(value->Data(), L';'));
        FUZZ_CHECK(length == 0 || IsWithin(value->Data(), length, reply));
    }
}

static void CheckJaJahError(const std::vector<WCHAR> &reply, size_t capacity)
{
    GuardedBuffer out(capacity);
    ExtractJaJahError(reply.data(), out.Data(), capacity);
    FUZZ_CHECK(out.GuardsIntact());
    size_t length = out.TerminatedLength();
    FUZZ_CHECK(!TextFindUnit(out.Data(), L'<'));
    FUZZ_CHECK(HasJaJahError(reply.data()) || length == 0);
}

static void CheckAccessNumber(const std::vector<WCHAR> &reply)
{
    GuardedBuffer out(ACCESS_NUMBER_CAPACITY);
    if (FAILED(ParseAccessNumber(reply.data(), out.Data(), ACCESS_NUMBER_CAPACITY)))
        return;
    FUZZ_CHECK(out.GuardsIntact());
    FUZZ_CHECK(out.TerminatedLength() == 12);
    FUZZ_CHECK(out.Data()[0] == L'+');
    for (int i = 1; i < 12; i++)
        FUZZ_CHECK(out.Data()[i] >= L'0' && out.Data()[i] <= L'9');
    FUZZ_CHECK(IsWithin(out.Data(), 12, reply));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = 1 + TakeBelow(&in, 320);
    // As the transport hands it over: at most 1024 units of reply.
    std::vector<WCHAR> reply = TakeText(&in, 1024);
    CheckCookies(reply, capacity);
    CheckJaJahError(reply, capacity);
    CheckAccessNumber(reply);
    return 0;
}
