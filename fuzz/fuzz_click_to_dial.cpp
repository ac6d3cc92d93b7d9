// Click-to-dial from random templates, numbers, credentials and replies:
// a template is refused with a message or gives a request that is whole,
// printable ASCII but for its CR LF framing (three line breaks, four with
// credentials), a GET of a path; and a reply's verdict is S_OK only for a
// 2xx status line, with a printable message of bounded length otherwise.
#include "base/text.h"
#include "dialing/service_text.h"
#include "fuzz/fuzz_input.h"

static void CheckRequest(const WCHAR *request, bool withCredentials)
{
    FUZZ_CHECK(TextStartsWith(request, L"GET /"));
    // The target holds no blank: the request line has exactly its two.
    const WCHAR *targetEnd = TextFind(request, L" HTTP/1.0\r\nHost: ");
    FUZZ_CHECK(targetEnd != NULL);
    for (const WCHAR *p = request + 4; p < targetEnd; p++)
        FUZZ_CHECK(*p != L' ');
    size_t lineBreaks = 0;
    for (const WCHAR *p = request; *p; p++) {
        if (*p == L'\r') {
            FUZZ_CHECK(p[1] == L'\n');
            lineBreaks++;
            p++;
            continue;
        }
        FUZZ_CHECK(*p >= 0x20 && *p < 0x7F);
    }
    FUZZ_CHECK(lineBreaks == (withCredentials ? 4u : 3u));
    FUZZ_CHECK(TextFind(request, L"\r\n\r\n") == request + TextLength(request) - 4);
}

static void CheckReply(const WCHAR *reply)
{
    GuardedBuffer error(ERROR_TEXT_CAPACITY);
    HRESULT result = ReadClickToDialReply(reply, error.Data(), ERROR_TEXT_CAPACITY);
    FUZZ_CHECK(error.GuardsIntact());
    size_t length = error.TerminatedLength();
    if (result == S_OK) {
        FUZZ_CHECK(length == 0);
        FUZZ_CHECK(TextStartsWith(reply, L"HTTP/"));
        const WCHAR *status = TextFindUnit(reply, L' ');
        FUZZ_CHECK(status && status[1] == L'2');
        return;
    }
    FUZZ_CHECK(result == E_FAIL && TextStartsWith(error.Data(), L"ERROR: "));
    for (size_t i = 0; i < length; i++)
        FUZZ_CHECK(error.Data()[i] >= 0x20 && (error.Data()[i] < 0x7F || error.Data()[i] > 0x9F));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    size_t capacity = 1 + TakeBelow(&in, REQUEST_CAPACITY + 100);
    std::vector<WCHAR> url = TakeText(&in, SERVICE_URL_CAPACITY - 1), number = TakeText(&in, NUMBER_CAPACITY - 1),
                       international = TakeText(&in, NUMBER_CAPACITY - 1),
                       username = TakeText(&in, SERVICE_FIELD_CAPACITY - 1),
                       password = TakeText(&in, SERVICE_FIELD_CAPACITY - 1), reply = TakeText(&in, 1024);
    CheckReply(reply.data());

    ClickToDialUrl parsed;
    GuardedBuffer error(ERROR_TEXT_CAPACITY);
    BOOL valid = ParseClickToDialUrl(url.data(), &parsed, error.Data(), ERROR_TEXT_CAPACITY);
    FUZZ_CHECK(error.GuardsIntact());
    FUZZ_CHECK((error.TerminatedLength() == 0) == (valid != FALSE));
    if (!valid)
        return 0;
    FUZZ_CHECK(parsed.port >= 1 && parsed.host[0] && TextLength(parsed.host) < CLICK_TO_DIAL_HOST_CAPACITY);
    FUZZ_CHECK(parsed.target >= url.data() && parsed.target <= url.data() + TextLength(url.data()));

    // The numbers as the dialer gives them: dialable characters only.
    for (std::vector<WCHAR> *text : {&number, &international}) {
        for (size_t i = 0; (*text)[i]; i++) {
            if (!TextFindUnit(L"0123456789+#*pw", (*text)[i]))
                (*text)[i] = L'5';
        }
    }
    GuardedBuffer request(capacity);
    BOOL fits = BuildClickToDialRequest(request.Data(), capacity, &parsed, number.data(), international.data(),
                                        username.data(), password.data());
    FUZZ_CHECK(request.GuardsIntact());
    size_t length = request.TerminatedLength();
    FUZZ_CHECK(fits ? length > 0 : length == 0);
    if (fits)
        CheckRequest(request.Data(), username[0] != 0);
    return 0;
}
