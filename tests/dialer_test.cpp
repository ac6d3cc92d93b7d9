#include <gtest/gtest.h>
#include <tapi.h>

#include "dialing/dialing.h"
#include "settings/settings.h"
#include "support/fake_server.h"
#include "support/test_support.h"

class DialerTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        StartFreshDevice();
        LoadSettings();
        app.numberEntryActive = 1;
    }
    void TearDown() override
    {
        DeleteCallsLog();
        DeleteDeviceEmulationKey();
        DeleteSettingsKey();
    }
};

TEST_F(DialerTest, CellularCallGoesOutUnchangedAndIsRecorded)
{
    EXPECT_EQ(S_OK, DialNumber(L"555-1234", L"Jane Doe"));
    EXPECT_EQ("555-1234\tJane Doe\n", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_EQ(L"555-1234", GetSettingValue(L"lastDialedNumber"));
    EXPECT_EQ(0, app.numberEntryActive);
}

TEST_F(DialerTest, CalledPartyNameMayBeEmptyAndIsUtf8InTheLog)
{
    EXPECT_EQ(S_OK, DialNumber(L"+4930123", L""));
    EXPECT_EQ(S_OK, DialNumber(L"5550100", L"Zo\u00eb \u00c5str\u00f6m"));
    EXPECT_EQ("+4930123\t\n5550100\tZo\xc3\xab \xc3\x85str\xc3\xb6m\n", CallsLogWithoutTimes(CallsLogPath()));
}

TEST_F(DialerTest, EmptyNumberFailsWithNothingRecorded)
{
    EXPECT_EQ(E_FAIL, DialNumber(L"", L"Jane"));
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_FALSE(LastDialedStored());
    EXPECT_EQ(1, app.numberEntryActive);
}

TEST_F(DialerTest, RefusedCellularRequestFailsWithNothingRecorded)
{
    SetEmulationDWORD(L"RefuseCalls", 1);
    EXPECT_EQ(E_FAIL, DialNumber(L"5551234", L""));
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_FALSE(LastDialedStored());
    EXPECT_EQ(1, app.numberEntryActive);
}

TEST_F(DialerTest, ControlCharactersInANumberOrNameAreRefusedAndNothingLogged)
{
    const struct {
        const wchar_t *number;
        const wchar_t *name;
    } rows[] = {
        {L"555\r\n1234", L"Jane"},         {L"5551234\n", L""},      {L"555\t1234", L""},
        {L"5551234", L"Jane\nEvil\tline"}, {L"5551234", L"\x1b[2J"}, {L"5551234", L"Zo\u0085e"},
        {L"5551234", L"DEL\x7f"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(E_FAIL, DialNumber(row.number, row.name)) << Narrow(row.number) << " " << Narrow(row.name);
        EXPECT_EQ(1, app.numberEntryActive);
    }
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_FALSE(LastDialedStored());
    EXPECT_GT(0, tapiRequestMakeCallW(L"555\n1234", NULL, L"", NULL));
    EXPECT_GT(0, tapiRequestMakeCallW(L"5551234", NULL, L"a\rb", NULL));
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));

    EXPECT_EQ(S_OK, DialNumber(L"5551234", L"Zo\u00eb \u00a0Doe"));
    EXPECT_EQ("5551234\tZo\xc3\xab \xc2\xa0"
              "Doe\n",
              CallsLogWithoutTimes(CallsLogPath()))
        << "other characters still pass";
}

TEST_F(DialerTest, ANumberIsRecordedOnlyAfterSuccess)
{
    EXPECT_EQ(S_OK, DialNumber(L"111", L""));
    SetEmulationDWORD(L"RefuseCalls", 1);
    EXPECT_EQ(E_FAIL, DialNumber(L"222", L""));
    EXPECT_EQ(L"111", GetSettingValue(L"lastDialedNumber"));
}

TEST_F(DialerTest, SelectedServiceRoutesTheCall)
{
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service2type", L"jajah");
    SetSettingValue(L"service", L"1");
    SetSettingValue(L"myNumber", L"+14155550100");
    LoadSettings();
    // Without an Internet connection nothing leaves the device.
    SetEmulationDWORD(L"InternetConnection", 0);
    CapturedMessageBoxes().clear();
    EXPECT_TRUE(FAILED(DialNumber(L"5551234", L"")));
    EXPECT_EQ(3u, CapturedMessageBoxes().size()) << "connection box, error box, numbers box";
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath())) << "a callback service never uses the cellular line";
    EXPECT_FALSE(LastDialedStored());

    SetSettingValue(L"service", L"0");
    LoadSettings();
    EXPECT_EQ(S_OK, DialNumber(L"5551234", L""));
}

TEST_F(DialerTest, CopyLastErrorTextIsBounded)
{
    wcscpy(app.lastErrorText, L"ERROR: Server hasn't responded");
    WCHAR shortCopy[7];
    CopyLastErrorText(shortCopy, 7);
    EXPECT_STREQ(L"ERROR:", shortCopy);
    WCHAR full[ERROR_TEXT_CAPACITY];
    CopyLastErrorText(full, ERROR_TEXT_CAPACITY);
    EXPECT_STREQ(app.lastErrorText, full);
}

// The callbacks ring the phone's own number; the lookup that found none
// leaves "+1", and such a request would ask for a call to nobody.
TEST_F(DialerTest, CallbacksWithoutAnOwnNumberSendNothingAndSayWhy)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    for (const wchar_t *type : {L"grandcentral", L"jajah"}) {
        SetSettingValue(L"service1type", type);
        LoadSettings();
        ASSERT_STREQ(L"+1", app.myNumber);
        FakeServer server("127.0.0.1");
        ASSERT_TRUE(server.Listening());
        server.Queue(Reply("HTTP/1.0 200 OK\r\n\r\nresult=0"));
        CapturedMessageBoxes().clear();
        EXPECT_EQ(E_FAIL, DialNumber(L"4155550199", L"")) << Narrow(type);
        ASSERT_EQ(1u, CapturedMessageBoxes().size()) << Narrow(type);
        EXPECT_EQ(L"Zembrik", CapturedMessageBoxes()[0].caption);
        EXPECT_NE(std::wstring::npos, CapturedMessageBoxes()[0].text.find(L"own number is unknown"));
        EXPECT_NE(std::wstring::npos, CapturedMessageBoxes()[0].text.find(L"\"myNumber\""));
        EXPECT_TRUE(server.Requests().empty()) << Narrow(type);
        EXPECT_FALSE(LastDialedStored());
    }
}

TEST(DialPlan, FormatDisplayNumberReadsTheStateAndKeepsNumberRaw)
{
    ResetAppState();
    wcscpy(app.dialPlan, DEFAULT_DIAL_PLAN);
    wcscpy(app.NumberBuffer, L"5551234567");
    FormatDisplayNumber();
    EXPECT_STREQ(L"(555) 123-4567", app.DisplayNumber);
    EXPECT_STREQ(L"5551234567", app.NumberBuffer);
}
