// Broken and hostile callback servers, scripted on loopback, one server per
// case. Each case states its outcome (result, message, the requests the
// server saw, the cellular log, the stored last number) and that it ended
// within twice the limit that applies to it. Every case prints one line
// with its outcome and how long it took.
#include <connmgr_emulation.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dialing/dialing.h"
#include "settings/settings.h"
#include "support/fake_server.h"
#include "support/test_support.h"

// The transport's limits: 10 s per address to connect, 5 s for the first
// bytes, 5 s of quiet ends a reply, 15 s for the whole receive phase.
#define CONNECT_LIMIT_MS 10000u
#define QUIET_LIMIT_MS 5000u
#define RECEIVE_LIMIT_MS 15000u

static const char *const GC_LOGIN_REPLY = "HTTP/1.0 302 Found\r\nSet-Cookie: a_t=A1; path=/\r\n"
                                          "Set-Cookie: v_s=V1; path=/\r\nSet-Cookie: _session_id=S1; path=/\r\n\r\n";
static const char *const GC_CALLED = "HTTP/1.0 200 OK\r\n\r\nresult=0";
static const char *const JAJAH_LOGIN_REPLY = "HTTP/1.0 302 Found\r\nSet-Cookie: .ASPXAUTH=XYZ123; path=/\r\n\r\n";
static const char *const JAJAH_RINGING = "HTTP/1.0 200 OK\r\n\r\n<p>Your phone will ring</p>";
static const char *const PHONECOM_REPLY = "HTTP/1.0 200 OK\r\n\r\n+18005551234\r\n";

static std::string FormPost(const std::string &path, const std::string &body)
{
    return "POST " + path + " HTTP/1.0\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n" + body + "\r\n";
}

static const std::string GC_LOGIN = FormPost("/account/login", "account%5Busername%5D=jane&account%5Bpassword%5D=pw");
static std::string GrandCentralCall(const std::string &accessToken)
{
    return "GET /calls/send_call_request?a_t=" + accessToken +
           "&calltype=call&destno=4155550199&ani=4155550100 HTTP/1.0\r\nCookie: v_s=V1; _session_id=S1; a_t=" +
           accessToken + "\r\n\r\n";
}
static const std::string JAJAH_LOGIN =
    FormPost("/mobilemini/", "ctl00%24MainContent%24Email=jane&ctl00%24MainContent%24Password=pw");
static std::string JaJahStatus(const std::string &cookie)
{
    return "GET /mobilemini/status.aspx?s=14155550100&d=442071234567&name=&type=1 HTTP/1.0\r\nCookie: .ASPXAUTH=" +
           cookie + "; \r\n\r\n";
}
static const std::string PHONECOM_REQUEST =
    FormPost("/special/wmapi", "action=easydial;number=1234567;extension=101;pass=pw;did=5551234");

// Bytes 1..255 from a fixed seed: no NUL, and (checked) none of the markers.
static std::string Garbage(size_t count, unsigned seed)
{
    std::string bytes;
    for (size_t i = 0; i < count; i++) {
        seed = seed * 1103515245u + 12345u;
        bytes += (char)(1 + (seed >> 16) % 255);
    }
    return bytes;
}

// The text padded with filler in front to exactly length bytes.
static std::string EndingAt(size_t length, const std::string &head, const std::string &tail)
{
    return head + std::string(length - head.size() - tail.size(), 'x') + tail;
}

struct Outcome {
    HRESULT result;
    std::wstring error;
    ULONGLONG ms;
    std::vector<std::string> requests;
    std::string calls;
    std::wstring lastDialed;
    bool lastDialedStored;
};

class HostileServerTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        StartFreshDevice();
        CapturedMessageBoxes().clear();
        SetSettingValue(L"myNumber", L"+14155550100");
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, ConnMgrEmulationOpenConnections()) << "the connection was not released";
        StartFreshDevice();
    }
    void UseGrandCentral() { UseService(L"grandcentral", L"jane"); }
    void UseJaJah() { UseService(L"jajah", L"jane"); }
    void UsePhoneCom() { UseService(L"phone.com", L"1234567#101"); }
    void UseClickToDial()
    {
        SetSettingValue(L"service1url", L"http://127.0.0.1/dial?n={number}");
        UseService(L"clicktodial", L"");
    }

    // Dials through the selected service with a fresh device state and a
    // fresh server that plays the given replies, one per connection.
    Outcome Dial(const char *name, const wchar_t *number, const std::vector<FakeReply> &replies)
    {
        FakeServer server("127.0.0.1");
        EXPECT_TRUE(server.Listening());
        for (const FakeReply &reply : replies)
            server.Queue(reply);
        return DialWith(name, number, [&] { return server.Requests(); });
    }
    Outcome DialWith(const char *name, const wchar_t *number,
                     const std::function<std::vector<std::string>()> &requestsSeen)
    {
        DeleteCallsLog();
        RegDeleteKeyValueW(HKEY_CURRENT_USER, SETTINGS_KEY, L"lastDialedNumber");
        app.lastErrorText[0] = 0;
        CapturedMessageBoxes().clear();
        Outcome outcome;
        ULONGLONG start = GetTickCount64();
        outcome.result = DialNumber(number, L"Jane");
        outcome.ms = GetTickCount64() - start;
        outcome.error = app.lastErrorText;
        outcome.requests = requestsSeen();
        outcome.calls = CallsLogWithoutTimes(CallsLogPath());
        outcome.lastDialed = GetSettingValue(L"lastDialedNumber", &outcome.lastDialedStored);
        std::printf("[hostile] %-52s %6llu ms  %s%s%s\n", name, (unsigned long long)outcome.ms,
                    outcome.result == S_OK ? "S_OK" : "E_FAIL", outcome.error.empty() ? "" : "  ",
                    Narrow(outcome.error).c_str());
        if (outcome.result == S_OK) {
            EXPECT_EQ(L"", outcome.error) << name << ": a success writes no message";
        }
        return outcome;
    }

    // The common shapes of an outcome.
    static void ExpectFailure(const Outcome &outcome, const wchar_t *error, size_t requests, ULONGLONG boundMs)
    {
        EXPECT_EQ(E_FAIL, outcome.result);
        EXPECT_EQ(error, outcome.error);
        EXPECT_EQ(requests, outcome.requests.size());
        EXPECT_EQ("", outcome.calls) << "nothing is dialled";
        EXPECT_FALSE(outcome.lastDialedStored);
        EXPECT_LE(outcome.ms, boundMs);
    }
    static void ExpectGrandCentralCall(const Outcome &outcome, const std::string &accessToken, ULONGLONG boundMs)
    {
        EXPECT_EQ(S_OK, outcome.result);
        EXPECT_EQ((std::vector<std::string>{GC_LOGIN, GrandCentralCall(accessToken)}), outcome.requests);
        EXPECT_EQ("", outcome.calls) << "GrandCentral calls back; the phone dials nothing";
        EXPECT_EQ(L"4155550199", outcome.lastDialed);
        EXPECT_LE(outcome.ms, boundMs);
    }
    static void ExpectJaJahCall(const Outcome &outcome, const std::string &cookie, ULONGLONG boundMs)
    {
        EXPECT_EQ(S_OK, outcome.result);
        EXPECT_EQ((std::vector<std::string>{JAJAH_LOGIN, JaJahStatus(cookie)}), outcome.requests);
        EXPECT_EQ("", outcome.calls);
        EXPECT_EQ(L"+442071234567", outcome.lastDialed);
        EXPECT_LE(outcome.ms, boundMs);
    }
    static void ExpectPhoneComCall(const Outcome &outcome, ULONGLONG boundMs)
    {
        EXPECT_EQ(S_OK, outcome.result);
        EXPECT_EQ(std::vector<std::string>{PHONECOM_REQUEST}, outcome.requests);
        EXPECT_EQ("+18005551234\tJane\n", outcome.calls);
        EXPECT_EQ(L"5551234", outcome.lastDialed);
        EXPECT_LE(outcome.ms, boundMs);
    }

  private:
    void UseService(const wchar_t *type, const wchar_t *username)
    {
        SetSettingValue(L"service1type", type);
        SetSettingValue(L"service1username", username);
        SetSettingValue(L"service1password", L"pw");
        LoadSettings();
    }
};

#define GC_NUMBER L"4155550199"
#define JAJAH_NUMBER L"+442071234567"
#define PHONECOM_NUMBER L"5551234"
#define GC_LOGIN_FAILED L"ERROR: Unexpected results returned from GrandCentral login"
#define GC_DIAL_FAILED L"ERROR: Unexpected results returned from GrandCentral dial request"
#define JAJAH_LOGIN_FAILED L"ERROR: Unable to login to JaJah"
#define JAJAH_UNKNOWN L"ERROR: Uknown JaJah error"
#define PHONECOM_UNEXPECTED L"ERROR: Unexpected response from Phone.com"
#define NO_REPLY L"ERROR: Server hasn't responded in 5000 milliseconds"
// A case that ends with the server's close is bounded by the first-bytes wait.
#define CLOSING_BOUND_MS (2 * QUIET_LIMIT_MS)

// --- Slow servers: the time limits -----------------------------------------

TEST_F(HostileServerTest, RepliesLeftOpenAreTakenAfterFiveQuietSeconds)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseGrandCentral();
    Outcome gc =
        Dial("GrandCentral: both replies held open", GC_NUMBER,
             {ReplyThen(FakeReply::StallAfterSend, GC_LOGIN_REPLY), ReplyThen(FakeReply::StallAfterSend, GC_CALLED)});
    ExpectGrandCentralCall(gc, "A1", 2 * 2 * QUIET_LIMIT_MS);
    EXPECT_TRUE(CapturedMessageBoxes().empty()) << "a placed call is not reported as failed";

    UseJaJah();
    Outcome jajah = Dial("JaJah: status reply held open", JAJAH_NUMBER,
                         {Reply(JAJAH_LOGIN_REPLY), ReplyThen(FakeReply::StallAfterSend, JAJAH_RINGING)});
    ExpectJaJahCall(jajah, "XYZ123", 2 * QUIET_LIMIT_MS);

    UsePhoneCom();
    Outcome phone =
        Dial("Phone.com: reply held open", PHONECOM_NUMBER, {ReplyThen(FakeReply::StallAfterSend, PHONECOM_REPLY)});
    ExpectPhoneComCall(phone, 2 * QUIET_LIMIT_MS);
}

TEST_F(HostileServerTest, ATricklingServerIsCutOffAfterFifteenSeconds)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    // Five bytes every 3 s: by the 15 s mark 25 or 30 bytes have come, in
    // both cases only part of the access number.
    UsePhoneCom();
    Outcome phone =
        Dial("Phone.com: trickle, 5 bytes every 3 s", PHONECOM_NUMBER, {TrickleReply(PHONECOM_REPLY, 5, 3000)});
    ExpectFailure(phone, PHONECOM_UNEXPECTED, 1, 2 * RECEIVE_LIMIT_MS);
    EXPECT_EQ(std::vector<std::string>{PHONECOM_REQUEST}, phone.requests);

    // The marker has come long before the cut: the call was placed.
    UseGrandCentral();
    std::string slowCallReply = std::string(GC_CALLED) + "\r\n" + std::string(200, 'x');
    Outcome gc = Dial("GrandCentral: call reply trickled, 8 bytes every 3 s", GC_NUMBER,
                      {Reply(GC_LOGIN_REPLY), TrickleReply(slowCallReply, 8, 3000)});
    ExpectGrandCentralCall(gc, "A1", 2 * RECEIVE_LIMIT_MS);
}

TEST_F(HostileServerTest, ASilentJaJahStatusPageKeepsTheTransportsMessage)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseJaJah();
    Outcome jajah = Dial("JaJah: status request never answered", JAJAH_NUMBER,
                         {Reply(JAJAH_LOGIN_REPLY), ReplyThen(FakeReply::Silent)});
    ExpectFailure(jajah, NO_REPLY, 2, 2 * QUIET_LIMIT_MS);
    EXPECT_EQ((std::vector<std::string>{JAJAH_LOGIN, JaJahStatus("XYZ123")}), jajah.requests);
}

TEST_F(HostileServerTest, AServerThatNeverAcceptsIsGivenUpAfterTenSeconds)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UsePhoneCom();
    UnacceptingServer full("127.0.0.1");
    ASSERT_TRUE(full.QueueFull());
    Outcome phone =
        DialWith("Phone.com: accept queue full", PHONECOM_NUMBER, [] { return std::vector<std::string>(); });
    ExpectFailure(phone, L"ERROR: Error requesting Phone.com call", 0, 2 * CONNECT_LIMIT_MS);
    ASSERT_EQ(1u, CapturedMessageBoxes().size());
    EXPECT_EQ(L"ERROR: Error requesting Phone.com call", CapturedMessageBoxes()[0].text);
}

TEST_F(HostileServerTest, AnAddressThatNeverAcceptsIsPassedForTheNext)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    // dualstack.zembrik.test resolves to ::1 first, then 127.0.0.1.
    UnacceptingServer full("::1");
    ASSERT_TRUE(full.QueueFull());
    FakeServer server("127.0.0.1");
    server.Queue(Reply("second"));
    WCHAR reply[2048] = L"untouched";
    app.lastErrorText[0] = 0;
    ULONGLONG start = GetTickCount64();
    HRESULT result = HttpExchange(L"dualstack.zembrik.test", L"GET / HTTP/1.0\r\n\r\n", reply, 2048);
    ULONGLONG ms = GetTickCount64() - start;
    std::printf("[hostile] %-52s %6llu ms  %s\n", "transport: first address never accepts", ms,
                result == S_OK ? "S_OK" : "E_FAIL");
    EXPECT_EQ(S_OK, result);
    EXPECT_STREQ(L"second", reply);
    EXPECT_EQ(std::vector<std::string>{"GET / HTTP/1.0\r\n\r\n"}, server.Requests());
    EXPECT_LE(ms, 2 * CONNECT_LIMIT_MS);
}

// --- Broken replies ------------------------------------------------------

TEST_F(HostileServerTest, AServerThatClosesBeforeAnyByte)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeReply closes = ReplyThen(FakeReply::CloseAtOnce);
    UseGrandCentral();
    ExpectFailure(Dial("GrandCentral: login closed at once", GC_NUMBER, {closes}), GC_LOGIN_FAILED, 1,
                  CLOSING_BOUND_MS);
    ExpectFailure(Dial("GrandCentral: call request closed at once", GC_NUMBER, {Reply(GC_LOGIN_REPLY), closes}),
                  GC_DIAL_FAILED, 2, CLOSING_BOUND_MS);
    UseJaJah();
    ExpectFailure(Dial("JaJah: login closed at once", JAJAH_NUMBER, {closes}), JAJAH_LOGIN_FAILED, 1, CLOSING_BOUND_MS);
    ExpectFailure(Dial("JaJah: status closed at once", JAJAH_NUMBER, {Reply(JAJAH_LOGIN_REPLY), closes}), JAJAH_UNKNOWN,
                  2, CLOSING_BOUND_MS);
    UsePhoneCom();
    ExpectFailure(Dial("Phone.com: closed at once", PHONECOM_NUMBER, {closes}), PHONECOM_UNEXPECTED, 1,
                  CLOSING_BOUND_MS);
}

// Under Wine a connection reset by the peer reads as its close, so the bytes
// that came before the reset are the reply.
TEST_F(HostileServerTest, AServerThatResetsAfterItsFirstBytes)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseGrandCentral();
    ExpectFailure(Dial("GrandCentral: login reset after one cookie", GC_NUMBER,
                       {ReplyThen(FakeReply::ResetAfterSend, "HTTP/1.0 302 Found\r\nSet-Cookie: a_t=A1;")}),
                  GC_LOGIN_FAILED, 1, CLOSING_BOUND_MS);
    UseJaJah();
    ExpectJaJahCall(Dial("JaJah: status reset after the whole page", JAJAH_NUMBER,
                         {Reply(JAJAH_LOGIN_REPLY), ReplyThen(FakeReply::ResetAfterSend, JAJAH_RINGING)}),
                    "XYZ123", CLOSING_BOUND_MS);
    UsePhoneCom();
    ExpectFailure(Dial("Phone.com: reset inside the access number", PHONECOM_NUMBER,
                       {ReplyThen(FakeReply::ResetAfterSend, "HTTP/1.0 200 OK\r\n\r\n+1800555")}),
                  PHONECOM_UNEXPECTED, 1, CLOSING_BOUND_MS);
}

TEST_F(HostileServerTest, BinaryGarbage)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    std::string garbage = Garbage(1024, 9);
    for (const char *marker : {"Set-Cookie: ", "result=0", "Your phone will ring", "\r\n\r\n+1", "<div"})
        ASSERT_EQ(std::string::npos, garbage.find(marker));
    UseGrandCentral();
    ExpectFailure(Dial("GrandCentral: garbage login reply", GC_NUMBER, {Reply(garbage)}), GC_LOGIN_FAILED, 1,
                  CLOSING_BOUND_MS);
    ExpectFailure(Dial("GrandCentral: garbage call reply", GC_NUMBER, {Reply(GC_LOGIN_REPLY), Reply(garbage)}),
                  GC_DIAL_FAILED, 2, CLOSING_BOUND_MS);
    UseJaJah();
    ExpectFailure(Dial("JaJah: garbage login reply", JAJAH_NUMBER, {Reply(garbage)}), JAJAH_LOGIN_FAILED, 1,
                  CLOSING_BOUND_MS);
    ExpectFailure(Dial("JaJah: garbage status reply", JAJAH_NUMBER, {Reply(JAJAH_LOGIN_REPLY), Reply(garbage)}),
                  JAJAH_UNKNOWN, 2, CLOSING_BOUND_MS);
    UsePhoneCom();
    ExpectFailure(Dial("Phone.com: garbage reply", PHONECOM_NUMBER, {Reply(garbage)}), PHONECOM_UNEXPECTED, 1,
                  CLOSING_BOUND_MS);
}

// A NUL byte ends the reply text: nothing after it is looked at.
TEST_F(HostileServerTest, NulBytesEndTheReplyText)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    using namespace std::string_literals;
    UseGrandCentral();
    ExpectFailure(
        Dial("GrandCentral: NUL before the cookies", GC_NUMBER, {Reply("HTTP/1.0 302 Found\r\n\0"s + GC_LOGIN_REPLY)}),
        GC_LOGIN_FAILED, 1, CLOSING_BOUND_MS);
    ExpectFailure(Dial("GrandCentral: NUL before result=0", GC_NUMBER,
                       {Reply(GC_LOGIN_REPLY), Reply("HTTP/1.0 200 OK\r\n\r\n\0result=0"s)}),
                  GC_DIAL_FAILED, 2, CLOSING_BOUND_MS);
    UseJaJah();
    ExpectFailure(Dial("JaJah: NUL before the ring", JAJAH_NUMBER,
                       {Reply(JAJAH_LOGIN_REPLY), Reply("HTTP/1.0 200 OK\r\n\r\n\0Your phone will ring"s)}),
                  JAJAH_UNKNOWN, 2, CLOSING_BOUND_MS);
    UsePhoneCom();
    ExpectFailure(Dial("Phone.com: NUL inside the access number", PHONECOM_NUMBER,
                       {Reply("HTTP/1.0 200 OK\r\n\r\n+1800\0"s
                              "5551234\r\n")}),
                  PHONECOM_UNEXPECTED, 1, CLOSING_BOUND_MS);
}

TEST_F(HostileServerTest, HundredKilobyteRepliesAreReadToTheirFirst1024Bytes)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    std::string padding(100 * 1024, 'x');
    UseGrandCentral();
    ExpectGrandCentralCall(Dial("GrandCentral: 100 KB login, 100 KB call reply", GC_NUMBER,
                                {Reply(GC_LOGIN_REPLY + padding), Reply(GC_CALLED + padding)}),
                           "A1", CLOSING_BOUND_MS);
    ExpectFailure(Dial("GrandCentral: result=0 after 100 KB", GC_NUMBER,
                       {Reply(GC_LOGIN_REPLY), Reply("HTTP/1.0 200 OK\r\n\r\n" + padding + "result=0")}),
                  GC_DIAL_FAILED, 2, CLOSING_BOUND_MS);
    UseJaJah();
    ExpectJaJahCall(Dial("JaJah: 100 KB login, 100 KB status", JAJAH_NUMBER,
                         {Reply(JAJAH_LOGIN_REPLY + padding), Reply(JAJAH_RINGING + padding)}),
                    "XYZ123", CLOSING_BOUND_MS);
    UsePhoneCom();
    ExpectFailure(Dial("Phone.com: access number and 100 KB", PHONECOM_NUMBER, {Reply(PHONECOM_REPLY + padding)}),
                  PHONECOM_UNEXPECTED, 1, CLOSING_BOUND_MS);
}

// The reply limit is exact: a marker whose last byte is the 1024th counts,
// one byte later it does not. The server holds the connection open after
// its bytes: a full buffer ends the reply without waiting for quiet.
TEST_F(HostileServerTest, AMarkerEndingAtTheLimitCountsAndOneByteLaterNot)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    auto held = [](const std::string &bytes) { return ReplyThen(FakeReply::StallAfterSend, bytes); };
    const char *head = "HTTP/1.0 200 OK\r\n\r\n";
    UseGrandCentral();
    ExpectGrandCentralCall(Dial("GrandCentral: result=0 ends at byte 1024", GC_NUMBER,
                                {Reply(GC_LOGIN_REPLY), held(EndingAt(1024, head, "result=0"))}),
                           "A1", QUIET_LIMIT_MS);
    ExpectFailure(Dial("GrandCentral: result=0 ends at byte 1025", GC_NUMBER,
                       {Reply(GC_LOGIN_REPLY), held(EndingAt(1025, head, "result=0"))}),
                  GC_DIAL_FAILED, 2, QUIET_LIMIT_MS);
    UseJaJah();
    std::string cookieHead = "HTTP/1.0 302 Found\r\n";
    ExpectJaJahCall(Dial("JaJah: cookie and ring each end at byte 1024", JAJAH_NUMBER,
                         {held(EndingAt(1024, cookieHead, "\r\nSet-Cookie: .ASPXAUTH=LAST;")),
                          held(EndingAt(1024, head, "Your phone will ring"))}),
                    "LAST", QUIET_LIMIT_MS);
    ExpectFailure(Dial("JaJah: ring ends at byte 1025", JAJAH_NUMBER,
                       {Reply(JAJAH_LOGIN_REPLY), held(EndingAt(1025, head, "Your phone will ring"))}),
                  JAJAH_UNKNOWN, 2, QUIET_LIMIT_MS);
    UsePhoneCom();
    ExpectPhoneComCall(Dial("Phone.com: access number ends at byte 1024", PHONECOM_NUMBER,
                            {held(EndingAt(1024, "HTTP/1.0 200 OK\r\nX-Pad: ", "\r\n\r\n+18005551234"))}),
                       QUIET_LIMIT_MS);
    ExpectFailure(Dial("Phone.com: access number cut by the limit", PHONECOM_NUMBER,
                       {held(EndingAt(1024, "HTTP/1.0 200 OK\r\nX-Pad: ", "\r\n\r\n+1800555") + "1234\r\n")}),
                  PHONECOM_UNEXPECTED, 1, QUIET_LIMIT_MS);
}

// The value of the last whole header for name within the first 1024 bytes.
static std::string LastWholeCookie(const std::string &reply, const std::string &name)
{
    std::string seen = reply.substr(0, 1024);
    size_t end = seen.rfind(';');
    size_t start = seen.rfind("Set-Cookie: " + name + "=", end);
    start += 12 + name.size() + 1;
    return seen.substr(start, end - start);
}

TEST_F(HostileServerTest, AThousandSetCookieHeaders)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    std::string junk;
    for (int i = 0; i < 1000; i++)
        junk += "Set-Cookie: junk" + std::to_string(i) + "=x; path=/\r\n";
    UseGrandCentral();
    ExpectGrandCentralCall(Dial("GrandCentral: cookies, then 1000 other headers", GC_NUMBER,
                                {Reply(GC_LOGIN_REPLY + junk), Reply(GC_CALLED)}),
                           "A1", CLOSING_BOUND_MS);
    std::string repeated = "Set-Cookie: v_s=V1;\r\nSet-Cookie: _session_id=S1;\r\n";
    for (int i = 0; i < 1000; i++)
        repeated += "Set-Cookie: a_t=T" + std::to_string(i) + ";\r\n";
    std::string lastToken = LastWholeCookie(repeated, "a_t");
    ASSERT_EQ("T43", lastToken) << "the last whole header the first 1024 bytes hold";
    ExpectGrandCentralCall(Dial("GrandCentral: 1000 a_t headers", GC_NUMBER, {Reply(repeated), Reply(GC_CALLED)}),
                           lastToken, CLOSING_BOUND_MS);
    ExpectFailure(Dial("GrandCentral: 1000 headers before the cookies", GC_NUMBER,
                       {Reply("HTTP/1.0 200 OK\r\n" + junk + GC_LOGIN_REPLY)}),
                  GC_LOGIN_FAILED, 1, CLOSING_BOUND_MS);

    UseJaJah();
    std::string auth;
    for (int i = 0; i < 1000; i++)
        auth += "Set-Cookie: .ASPXAUTH=AUTH" + std::to_string(i) + "; path=/\r\n";
    std::string lastAuth = LastWholeCookie(auth, ".ASPXAUTH");
    ExpectJaJahCall(Dial("JaJah: 1000 .ASPXAUTH headers", JAJAH_NUMBER, {Reply(auth), Reply(JAJAH_RINGING)}), lastAuth,
                    CLOSING_BOUND_MS);
}

TEST_F(HostileServerTest, ALineBreakInACookieValueStopsTheDial)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseGrandCentral();
    for (const char *token : {"A1\r\nX-Injected: 1", "A1\nX", "A1\rX"}) {
        std::string login = std::string("HTTP/1.0 302 Found\r\nSet-Cookie: a_t=") + token +
                            ";\r\nSet-Cookie: v_s=V1;\r\nSet-Cookie: _session_id=S1;\r\n\r\n";
        ExpectFailure(Dial("GrandCentral: line break in a_t", GC_NUMBER, {Reply(login), Reply(GC_CALLED)}),
                      GC_LOGIN_FAILED, 1, CLOSING_BOUND_MS);
    }
    // The session cookie without its own ';' would run on to the next line's.
    ExpectFailure(Dial("GrandCentral: _session_id runs across lines", GC_NUMBER,
                       {Reply("Set-Cookie: a_t=A1;\r\nSet-Cookie: v_s=V1;\r\nSet-Cookie: _session_id=S1\r\n"
                              "Location: /x; y\r\n\r\n"),
                        Reply(GC_CALLED)}),
                  GC_LOGIN_FAILED, 1, CLOSING_BOUND_MS);
    UseJaJah();
    ExpectFailure(Dial("JaJah: CR LF in .ASPXAUTH", JAJAH_NUMBER,
                       {Reply("HTTP/1.0 302 Found\r\nSet-Cookie: .ASPXAUTH=XYZ\r\nCookie: evil=1;\r\n\r\n"),
                        Reply(JAJAH_RINGING)}),
                  JAJAH_LOGIN_FAILED, 1, CLOSING_BOUND_MS);
}

TEST_F(HostileServerTest, EveryMalformedAccessNumberIsRefusedAndNothingDialled)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UsePhoneCom();
    const struct {
        const char *name;
        std::string body;
    } rows[] = {
        {"letters", "+1ABCDEFGHIJ"},
        {"only +1", "+1"},
        {"cut short", "+1800555"},
        {"ten digits and a line break", "+1800555123\r\n"},
        {"a blank inside", "+1800 555 1234"},
        {"a tab inside", "+1800\t5551234"},
        {"a line break inside", "+18005\r\n551234"},
        {"an escape sequence", "+1\x1b[2J555123"},
        {"a DEL", "+1800\x7f"
                  "5551234"},
        {"a Latin-1 digit look-alike", "+1800\xb2"
                                       "5551234"},
    };
    for (const auto &row : rows) {
        std::string name = std::string("Phone.com: access number with ") + row.name;
        Outcome outcome = Dial(name.c_str(), PHONECOM_NUMBER, {Reply("HTTP/1.0 200 OK\r\n\r\n" + row.body)});
        ExpectFailure(outcome, PHONECOM_UNEXPECTED, 1, CLOSING_BOUND_MS);
        ASSERT_EQ(1u, CapturedMessageBoxes().size()) << row.name;
        EXPECT_EQ(PHONECOM_UNEXPECTED, CapturedMessageBoxes()[0].text);
    }
}

// --- Click-to-dial: one exchange, judged by its status line ---------------

TEST_F(HostileServerTest, ClickToDialAgainstBrokenPhones)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    const std::vector<std::string> request = {"GET /dial?n=5551234 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"};
    UseClickToDial();
    Outcome held = Dial("click-to-dial: 200 held open", PHONECOM_NUMBER,
                        {ReplyThen(FakeReply::StallAfterSend, "HTTP/1.1 200 OK\r\n\r\n")});
    EXPECT_EQ(S_OK, held.result);
    EXPECT_EQ(request, held.requests);
    EXPECT_EQ(L"5551234", held.lastDialed);
    EXPECT_LE(held.ms, 2 * QUIET_LIMIT_MS);

    Outcome silent = Dial("click-to-dial: never answers", PHONECOM_NUMBER, {ReplyThen(FakeReply::Silent)});
    ExpectFailure(silent, NO_REPLY, 1, 2 * QUIET_LIMIT_MS);
    EXPECT_EQ(request, silent.requests);
    // Two bytes every 3 s: the cut leaves "HTTP/1.1 20", which is no status.
    ExpectFailure(Dial("click-to-dial: trickle, 2 bytes every 3 s", PHONECOM_NUMBER,
                       {TrickleReply("HTTP/1.1 200 OK\r\n\r\n", 2, 3000)}),
                  L"ERROR: The answer was not HTTP", 1, 2 * RECEIVE_LIMIT_MS);
    ExpectFailure(Dial("click-to-dial: closed at once", PHONECOM_NUMBER, {ReplyThen(FakeReply::CloseAtOnce)}),
                  L"ERROR: The connection was closed without an answer", 1, CLOSING_BOUND_MS);
    ExpectFailure(Dial("click-to-dial: garbage", PHONECOM_NUMBER, {Reply(Garbage(1024, 21))}),
                  L"ERROR: The answer was not HTTP", 1, CLOSING_BOUND_MS);
    // Whatever a status line holds, the message is one line of print.
    std::string hostile = "HTTP/1.1 500 " + Garbage(3000, 5) + "\r\n\r\n";
    Outcome refused = Dial("click-to-dial: 500 with a garbage reason", PHONECOM_NUMBER, {Reply(hostile)});
    EXPECT_EQ(E_FAIL, refused.result);
    EXPECT_EQ(0u, refused.error.find(L"ERROR: The call was not placed: HTTP/1.1 500 "));
    EXPECT_LE(refused.error.size(), 32u + 100u);
    for (wchar_t c : refused.error)
        EXPECT_TRUE(c >= 0x20 && (c < 0x7F || c > 0x9F)) << "control character " << (int)c;
    EXPECT_FALSE(refused.lastDialedStored);

    UnacceptingServer full("127.0.0.1");
    ASSERT_TRUE(full.QueueFull());
    Outcome unaccepted =
        DialWith("click-to-dial: accept queue full", PHONECOM_NUMBER, [] { return std::vector<std::string>(); });
    ExpectFailure(unaccepted, L"ERROR: Unable to connect socket!", 0, 2 * CONNECT_LIMIT_MS);
    EXPECT_EQ(1u, CapturedMessageBoxes().size()) << "one box says it";
}
