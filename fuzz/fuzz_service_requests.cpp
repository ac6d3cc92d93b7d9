// Request building from random credentials and numbers: a request that is
// said to fit is whole, its Content-Length is its body's, and inputs
// without line breaks add none to it.
#include "base/text.h"
#include "dialing/service_text.h"
#include "fuzz/fuzz_input.h"

static size_t CountLineBreaks(const WCHAR *text)
{
    size_t n = 0;
    for (; *text; text++)
        n += *text == L'\n';
    return n;
}

static bool HasLineBreak(const std::vector<WCHAR> &text)
{
    return TextFindUnit(text.data(), L'\r') || TextFindUnit(text.data(), L'\n');
}

// The body of a form post: after the blank line, before the final CR LF.
static void CheckFormPost(const WCHAR *request)
{
    const WCHAR *length = TextFind(request, L"Content-Length: ");
    FUZZ_CHECK(length != NULL);
    const WCHAR *body = TextFind(request, L"\r\n\r\n");
    FUZZ_CHECK(body != NULL);
    body += 4;
    FUZZ_CHECK((size_t)ParseDecimal(length + 16) + 2 == TextLength(body));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = 1 + TakeBelow(&in, 1100);
    std::vector<WCHAR> a = TakeText(&in, 300), b = TakeText(&in, 300), c = TakeText(&in, 100),
                       d = TakeText(&in, 100);
    bool clean = !HasLineBreak(a) && !HasLineBreak(b) && !HasLineBreak(c) && !HasLineBreak(d);

    struct Built {
        BOOL fits;
        bool formPost;
        size_t lineBreaks;
    };
    std::vector<GuardedBuffer> requests(5, GuardedBuffer(capacity));
    Built built[5] = {
        {BuildGrandCentralLogin(requests[0].Data(), capacity, a.data(), b.data()), true, 5},
        {BuildGrandCentralCall(requests[1].Data(), capacity, a.data(), b.data(), c.data(), d.data(), a.data()), false,
         3},
        {BuildJaJahLogin(requests[2].Data(), capacity, a.data(), b.data()), true, 5},
        {BuildJaJahStatus(requests[3].Data(), capacity, a.data(), c.data(), d.data()), false, 3},
        {BuildPhoneComRequest(requests[4].Data(), capacity, a.data(), c.data(), b.data(), d.data()), true, 5},
    };
    for (int i = 0; i < 5; i++) {
        FUZZ_CHECK(requests[i].GuardsIntact());
        requests[i].TerminatedLength();
        if (!built[i].fits)
            continue;
        if (clean)
            FUZZ_CHECK(CountLineBreaks(requests[i].Data()) == built[i].lineBreaks);
        if (built[i].formPost && clean)
            CheckFormPost(requests[i].Data());
    }
    return 0;
}
