// Click-to-dial: whole dials through DialNumber against a scripted server on
// a loopback port of its own.
#include <connmgr_emulation.h>
#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "dialing/dialing.h"
#include "settings/settings.h"
#include "support/fake_server.h"
#include "support/test_support.h"

typedef std::vector<std::wstring> Texts;

#define PHONE_PORT 8080

class ClickToDialTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        StartFreshDevice();
        CapturedMessageBoxes().clear();
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, ConnMgrEmulationOpenConnections());
        StartFreshDevice();
    }
    void UseClickToDial(const std::wstring &url, const wchar_t *username = L"", const wchar_t *password = L"")
    {
        SetSettingValue(L"service1type", L"clicktodial");
        SetSettingValue(L"service1title", L"Desk phone");
        SetSettingValue(L"service1url", url);
        SetSettingValue(L"service1username", username);
        SetSettingValue(L"service1password", password);
        LoadSettings();
    }
};

TEST_F(ClickToDialTest, TheGetReachesThePhoneAndA2xxRecordsTheNumber)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseClickToDial(L"http://127.0.0.1:8080/servlet?key=number={number}&e164={international}", L"admin", L"1234");
    FakeServer phone("127.0.0.1", PHONE_PORT);
    ASSERT_TRUE(phone.Listening());
    phone.Queue(Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK"));
    app.numberEntryActive = 1;
    EXPECT_EQ(S_OK, DialNumber(L"(555) 123-4567#*", L"Jane"));
    EXPECT_EQ(std::vector<std::string>{"GET /servlet?key=number=5551234567%23%2A&e164=%2B15551234567%23%2A HTTP/1.0\r\n"
                                       "Host: 127.0.0.1:8080\r\nAuthorization: Basic YWRtaW46MTIzNA==\r\n\r\n"},
              phone.Requests());
    EXPECT_EQ(L"(555) 123-4567#*", GetSettingValue(L"lastDialedNumber")) << "recorded as dialled";
    EXPECT_EQ(0, app.numberEntryActive);
    EXPECT_TRUE(CapturedMessageBoxes().empty());
    EXPECT_STREQ(L"", app.lastErrorText);
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath())) << "the phone behind the URL dials, not this one";
}

TEST_F(ClickToDialTest, ARefusalShowsTheStatusLineInOneBox)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    UseClickToDial(L"http://127.0.0.1:8080/dial?n={number}", L"admin", L"wrong");
    FakeServer phone("127.0.0.1", PHONE_PORT);
    phone.Queue(Reply("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"phone\"\r\n\r\n"));
    EXPECT_EQ(E_FAIL, DialNumber(L"5551234", L""));
    EXPECT_EQ(1u, phone.Requests().size());
    EXPECT_EQ(Texts{L"ERROR: The call was not placed: HTTP/1.1 401 Unauthorized"}, CapturedBoxTexts());
    EXPECT_STREQ(L"ERROR: The call was not placed: HTTP/1.1 401 Unauthorized", app.lastErrorText);
    EXPECT_FALSE(LastDialedStored());
}

TEST_F(ClickToDialTest, BadSettingsSendNothingAndSayWhy)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeServer phone("127.0.0.1", PHONE_PORT);
    // Eleven times 70 '#', each sent as %23: 2310 characters.
    std::wstring repeatedNumber, hashes(70, L'#'), fives(78, L'5');
    for (int i = 0; i < 11; i++)
        repeatedNumber += L"{number}";
    struct {
        std::wstring url;
        const wchar_t *number;
        const wchar_t *message;
    } rows[] = {
        {L"", L"5551234", L"ERROR: No URL is set for this service"},
        {L"https://127.0.0.1:8080/{number}", L"5551234",
         L"ERROR: https is not supported: the URL must begin with http://"},
        {L"http://127.0.0.1:8080/dial", L"5551234", L"ERROR: The URL has no {number} or {international}"},
        {L"http://127.0.0.1:80800/{number}", L"5551234", L"ERROR: The URL's port must be a number from 1 to 65535"},
        {L"http://127.0.0.1:8080/" + std::wstring(490, L'x'), L"5551234", L"ERROR: The URL is too long"},
        {L"http://127.0.0.1:8080/" + std::wstring(400, L'x') + repeatedNumber, hashes.c_str(),
         L"ERROR: Request too long to send"},
        {L"http://127.0.0.1:8080/{number}", L"no digits", L"ERROR: No number to dial"},
        {L"http://127.0.0.1:8080/{international}", fives.c_str(), L"ERROR: Number too long"},
        // Resolving fails in the test network: no name server answers.
        {L"http://phone.invalid:8080/{number}", L"5551234", L"ERROR: Couldn't resolve the server name/address!"},
        {L"http://nolistener.zembrik.test:8081/{number}", L"5551234", L"ERROR: Unable to connect socket!"},
    };
    for (const auto &row : rows) {
        UseClickToDial(row.url);
        CapturedMessageBoxes().clear();
        EXPECT_EQ(E_FAIL, DialNumber(row.number, L"")) << Narrow(row.url);
        EXPECT_EQ(Texts{row.message}, CapturedBoxTexts()) << Narrow(row.url);
        EXPECT_FALSE(LastDialedStored());
    }
    EXPECT_TRUE(phone.Requests().empty());
    // The international form is made only when the template uses it.
    UseClickToDial(L"http://127.0.0.1:8080/{number}");
    phone.Queue(Reply("HTTP/1.0 204 No Content\r\n\r\n"));
    EXPECT_EQ(S_OK, DialNumber(fives.c_str(), L""));
    EXPECT_EQ(std::vector<std::string>{"GET /" + std::string(78, '5') + " HTTP/1.0\r\nHost: 127.0.0.1:8080\r\n\r\n"},
              phone.Requests());
}

TEST_F(ClickToDialTest, TheServiceIsReadOnlyWithItsOwnType)
{
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service1url", L"http://phone/{number}");
    SetSettingValue(L"service2type", L"clicktodial");
    SetSettingValue(L"service2url", L"http://phone/{international}");
    SetSettingValue(L"service3type", L"ClickToDial");
    LoadSettings();
    EXPECT_EQ(2, app.serviceCount);
    EXPECT_EQ(ClickToDial, app.serviceRecords[1].type);
    EXPECT_STREQ(L"", app.serviceRecords[0].url);
    EXPECT_STREQ(L"http://phone/{international}", app.serviceRecords[1].url);
    EXPECT_EQ(0, app.serviceRecords[1].urlTooLong);
    // 511 units fit the record; one more is too long, not missing.
    SetSettingValue(L"service2url", L"http://phone/{number}" + std::wstring(490, L'x'));
    LoadSettings();
    EXPECT_EQ(511u, TextLength(app.serviceRecords[1].url));
    SetSettingValue(L"service2url", L"http://phone/{number}" + std::wstring(491, L'x'));
    LoadSettings();
    EXPECT_STREQ(L"", app.serviceRecords[1].url);
    EXPECT_EQ(1, app.serviceRecords[1].urlTooLong);
    EXPECT_EQ(L"http://phone/{number}" + std::wstring(491, L'x'), GetSettingValue(L"service2url"))
        << "a setting is never rewritten for being long";
}
