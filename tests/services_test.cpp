// The three callback services, dialled through DialNumber against a scripted
// server that stands in for all three hosts on loopback.
#include <connmgr_emulation.h>
#include <gtest/gtest.h>

#include <string>

#include "dialing/dialing.h"
#include "settings/settings.h"
#include "support/fake_server.h"
#include "support/service_replies.h"
#include "support/test_support.h"

static std::string FormPost(const std::string &path, const std::string &body)
{
    return "POST " + path + " HTTP/1.0\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n" + body + "\r\n";
}

class ServiceTest : public ::testing::Test
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
        EXPECT_EQ(0u, ConnMgrEmulationOpenConnections());
        StartFreshDevice();
    }
    void UseService(const wchar_t *type, const wchar_t *username, const wchar_t *password)
    {
        SetSettingValue(L"service1type", type);
        SetSettingValue(L"service1username", username);
        SetSettingValue(L"service1password", password);
        LoadSettings();
    }
};

typedef std::vector<std::wstring> Texts;

TEST_F(ServiceTest, GrandCentralLogsInAndRequestsTheCallWithItsCookies)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"grandcentral", L"jane&x=1", L"p=w");
    FakeServer server("127.0.0.1");
    server.Queue(Reply("HTTP/1.0 302 Found\r\nSet-Cookie: a_t=A1; path=/\r\nSet-Cookie: v_s=V1; path=/\r\n"
                       "Set-Cookie: _session_id=S1; path=/\r\n\r\n"));
    server.Queue(Reply("HTTP/1.0 200 OK\r\n\r\nresult=01"));
    EXPECT_EQ(S_OK, DialNumber(L"4155550199", L""));
    auto requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(FormPost("/account/login", "account%5Busername%5D=jane&x=1&account%5Bpassword%5D=p=w"), requests[0]);
    EXPECT_EQ("GET /calls/send_call_request?a_t=A1&calltype=call&destno=4155550199&ani=4155550100 HTTP/1.0\r\n"
              "Cookie: v_s=V1; _session_id=S1; a_t=A1\r\n\r\n",
              requests[1]);
    EXPECT_EQ(L"4155550199", GetSettingValue(L"lastDialedNumber"));
    EXPECT_TRUE(CapturedMessageBoxes().empty());
}

TEST_F(ServiceTest, GrandCentralLoginWithoutSessionShowsBothBoxes)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"grandcentral", L"jane", L"pw");
    FakeServer server("127.0.0.1");
    server.Queue(Reply("HTTP/1.0 200 OK\r\nSet-Cookie: a_t=A1;\r\nSet-Cookie: v_s=V1;\r\n\r\n"));
    EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L""));
    EXPECT_EQ(1u, server.Requests().size()) << "no call request after a failed login";
    EXPECT_EQ(
        (Texts{L"ERROR: Unexpected results returned from GrandCentral login", L"from: +14155550100\nto: +14155550199"}),
        CapturedBoxTexts());
    EXPECT_FALSE(LastDialedStored());
}

TEST_F(ServiceTest, GrandCentralFailuresOfTheExchangesAndTheDialReply)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"grandcentral", L"jane", L"pw");
    EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L"")) << "no server listens";
    EXPECT_EQ(L"ERROR: Unable to login to GrandCentral", CapturedBoxTexts().at(0));

    CapturedMessageBoxes().clear();
    FakeServer server("127.0.0.1");
    server.Queue(Reply("Set-Cookie: a_t=A1;Set-Cookie: v_s=V1;Set-Cookie: _session_id=S1;"));
    server.Queue(Reply("HTTP/1.0 200 OK\r\n\r\nresult=1"));
    EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L""));
    EXPECT_EQ(L"ERROR: Unexpected results returned from GrandCentral dial request", CapturedBoxTexts().at(0));
    EXPECT_FALSE(LastDialedStored());
}

TEST_F(ServiceTest, GrandCentralRefusesNonUsCallsWithoutTraffic)
{
    UseService(L"grandcentral", L"jane", L"pw");
    EXPECT_EQ(E_FAIL, DialNumber(L"+442071234567", L""));
    EXPECT_EQ(Texts{L"Sorry, GrandCentral cannot make non-US calls"}, CapturedBoxTexts());
    EXPECT_EQ(0u, ConnMgrEmulationOpenConnections());
}

TEST_F(ServiceTest, JaJahLogsInAndAsksForTheCallback)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"jajah", L"jane@example.com", L"pw");
    FakeServer server("127.0.0.1");
    server.Queue(Reply("HTTP/1.0 302 Found\r\nSet-Cookie: .ASPXAUTH=XYZ123; path=/; HttpOnly\r\n\r\n"));
    server.Queue(Reply("HTTP/1.0 200 OK\r\n\r\n<p>Your phone will ring</p>"));
    EXPECT_EQ(S_OK, DialNumber(L"+442071234567", L""));
    auto requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(
        FormPost("/mobilemini/", "ctl00%24MainContent%24Email=jane@example.com&ctl00%24MainContent%24Password=pw"),
        requests[0]);
    EXPECT_EQ("GET /mobilemini/status.aspx?s=14155550100&d=442071234567&name=&type=1 HTTP/1.0\r\n"
              "Cookie: .ASPXAUTH=XYZ123; \r\n\r\n",
              requests[1]);
    EXPECT_EQ(L"+442071234567", GetSettingValue(L"lastDialedNumber"));
}

TEST_F(ServiceTest, JaJahErrorBlockInTheLoginReplyStopsBeforeTheCall)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"jajah", L"jane@example.com", L"wrong");
    FakeServer server("127.0.0.1");
    server.Queue(Reply(std::string("Set-Cookie: .ASPXAUTH=XYZ;\r\n\r\n") + JAJAH_ERROR +
                       "Wrong password &amp; try again\r\n</font></div>"));
    EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L""));
    EXPECT_EQ(1u, server.Requests().size());
    EXPECT_EQ((Texts{L"Wrong password &amp; try again\r\n", L"from: +14155550100\nto: +14155550199"}),
              CapturedBoxTexts());
}

TEST_F(ServiceTest, JaJahStatusReplyVerdicts)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"jajah", L"jane@example.com", L"pw");
    const struct {
        std::string statusReply;
        const wchar_t *message;
    } rows[] = {
        {std::string(JAJAH_ERROR) + "No credit<br/>Your phone will ring", L"No credit"},
        {"<p>Calling...</p>", L"ERROR: Uknown JaJah error"},
    };
    for (const auto &row : rows) {
        FakeServer server("127.0.0.1");
        server.Queue(Reply("Set-Cookie: .ASPXAUTH=XYZ;\r\n\r\n"));
        server.Queue(Reply(row.statusReply));
        CapturedMessageBoxes().clear();
        EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L""));
        EXPECT_EQ(row.message, CapturedBoxTexts().at(0));
    }
    FakeServer server("127.0.0.1");
    server.Queue(Reply("HTTP/1.0 200 OK\r\nSet-Cookie: .ASPXAUTH=;\r\n\r\n"));
    CapturedMessageBoxes().clear();
    EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L""));
    EXPECT_EQ(L"ERROR: Unable to login to JaJah", CapturedBoxTexts().at(0));
    EXPECT_FALSE(LastDialedStored());
}

TEST_F(ServiceTest, PhoneComDialsTheReturnedAccessNumber)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"phone.com", L"1234567#101", L"pw");
    FakeServer server("127.0.0.1");
    server.Queue(Reply("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n+18005551234\r\n"));
    EXPECT_EQ(S_OK, DialNumber(L"555-1234", L"Jane"));
    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ(FormPost("/special/wmapi", "action=easydial;number=1234567;extension=101;pass=pw;did=5551234"),
              server.Requests()[0])
        << "the destination's dialable characters only";
    EXPECT_EQ("+18005551234\tJane\n", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_EQ(L"555-1234", GetSettingValue(L"lastDialedNumber"));
    EXPECT_TRUE(CapturedMessageBoxes().empty());
}

TEST_F(ServiceTest, PhoneComUsernameWithoutExtensionIsTheWholeAccount)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"phone.com", L"1234567", L"pw");
    FakeServer server("127.0.0.1");
    server.Queue(Reply("\r\n\r\n+18005551234"));
    EXPECT_EQ(S_OK, DialNumber(L"5551234", L""));
    EXPECT_EQ(FormPost("/special/wmapi", "action=easydial;number=1234567;extension=;pass=pw;did=5551234"),
              server.Requests().at(0));
}

TEST_F(ServiceTest, PhoneComFailuresShowOneBox)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseService(L"phone.com", L"1234567#101", L"pw");
    FakeServer server("127.0.0.1");
    server.Queue(Reply("HTTP/1.0 200 OK\r\n\r\n+180055512345678\r\n"));
    EXPECT_EQ(E_FAIL, DialNumber(L"5551234", L""));
    EXPECT_EQ(Texts{L"ERROR: Unexpected response from Phone.com"}, CapturedBoxTexts());

    SetEmulationDWORD(L"RefuseCalls", 1);
    server.Queue(Reply("HTTP/1.0 200 OK\r\n\r\n+18005551234"));
    CapturedMessageBoxes().clear();
    EXPECT_EQ(E_FAIL, DialNumber(L"5551234", L""));
    EXPECT_TRUE(CapturedMessageBoxes().empty()) << "a refused access number shows nothing";
    EXPECT_FALSE(LastDialedStored());
}

TEST_F(ServiceTest, OverLongInputFailsBeforeAnyTraffic)
{
    UseService(L"jajah", std::wstring(60, L'u').c_str(), std::wstring(60, L'p').c_str());
    EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L""));
    EXPECT_EQ(L"ERROR: Request too long to send", CapturedBoxTexts().at(0));

    UseService(L"phone.com", L"1234567#12345678", L"pw");
    CapturedMessageBoxes().clear();
    EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L""));
    EXPECT_EQ(Texts{L"ERROR: Phone.com extension too long"}, CapturedBoxTexts());

    UseService(L"grandcentral", L"jane", L"pw");
    CapturedMessageBoxes().clear();
    EXPECT_EQ(E_FAIL, DialNumber(std::wstring(79, L'5').c_str(), L""));
    EXPECT_EQ(Texts{L"ERROR: Number too long"}, CapturedBoxTexts());
}
