#include <gtest/gtest.h>

#include <string>

#include "app/shell.h"
#include "settings/settings.h"
#include "support/test_support.h"

class ProcessCommandLineTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        StartFreshDevice();
        LoadSettings();
    }
    void TearDown() override
    {
        DeleteCallsLog();
        DeleteDeviceEmulationKey();
    }
};

TEST_F(ProcessCommandLineTest, NothingToDialLetsTheWindowShow)
{
    EXPECT_EQ(1, ProcessCommandLine(L""));
    EXPECT_EQ(1, ProcessCommandLine(L"hello"));
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
}

TEST_F(ProcessCommandLineTest, NameAloneIsKeptForTheNextCall)
{
    EXPECT_EQ(1, ProcessCommandLine(L"-name=Jane"));
    EXPECT_STREQ(L"Jane", app.calledPartyName);
    EXPECT_EQ(1, ProcessCommandLine(L"-name="));
    EXPECT_STREQ(L"Jane", app.calledPartyName);
}

TEST_F(ProcessCommandLineTest, NumberIsDialledWithTheName)
{
    wcscpy(app.calledPartyName, L"Earlier");
    EXPECT_EQ(0, ProcessCommandLine(L"5551234 -name="));
    EXPECT_EQ("5551234\tEarlier\n", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_STREQ(L"5551234", app.NumberBuffer);
    EXPECT_EQ(L"5551234", GetSettingValue(L"lastDialedNumber"));
}

TEST_F(ProcessCommandLineTest, ARefusedDialStillEndsTheCommandLine)
{
    SetEmulationDWORD(L"RefuseCalls", 1);
    EXPECT_EQ(0, ProcessCommandLine(L"5551234"));
    bool present = true;
    GetSettingValue(L"lastDialedNumber", &present);
    EXPECT_FALSE(present);
}

TEST_F(ProcessCommandLineTest, ChooseContactEndsTheCommandLineWithoutTouchingTheNumber)
{
    wcscpy(app.NumberBuffer, L"123");
    EXPECT_EQ(0, ProcessCommandLine(L"-choosecontact"));
    EXPECT_STREQ(L"123", app.NumberBuffer);
}

TEST_F(ProcessCommandLineTest, QuotedArgumentsGiveTheNumberAndTheName)
{
    EXPECT_EQ(0, ProcessCommandLine(L"\"555 1234 -name=Jane Doe\""));
    EXPECT_EQ(0, ProcessCommandLine(L"555-1234 \"-name=Jane Doe\""));
    EXPECT_EQ("5551234\tJane Doe\n5551234\tJane Doe\n", CallsLogWithoutTimes(CallsLogPath()));
}

TEST_F(ProcessCommandLineTest, ALinksNumberIsShownAsTypedAndNeverDialled)
{
    SetSettingValue(L"lastDialedNumber", L"5550000");
    LoadSettings();
    CapturedMessageBoxes().clear();
    for (const wchar_t *link : {L"tel:+1-201-555-0123;ext=42", L"tel:*%2306%23", L"\"callto:+1 415 555 0199\""}) {
        EXPECT_EQ(1, ProcessCommandLine(link)) << "the window shows";
        EXPECT_EQ(1, app.numberEntryActive);
    }
    EXPECT_STREQ(L"+14155550199", app.NumberBuffer);
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_EQ(L"5550000", GetSettingValue(L"lastDialedNumber"));
    EXPECT_TRUE(CapturedMessageBoxes().empty());
}

TEST_F(ProcessCommandLineTest, ALinkWithoutANumberChangesNothingAndSaysSo)
{
    wcscpy(app.NumberBuffer, L"5550000");
    app.numberEntryActive = 0;
    CapturedMessageBoxes().clear();
    EXPECT_EQ(1, ProcessCommandLine(L"tel:1-800-FLOWERS"));
    EXPECT_EQ(1, ProcessCommandLine((L"tel:" + std::wstring(80, L'5')).c_str()));
    EXPECT_EQ(1, ProcessCommandLine((L"tel:" + std::wstring(300, L'5')).c_str()));
    EXPECT_STREQ(L"5550000", app.NumberBuffer);
    EXPECT_EQ(0, app.numberEntryActive);
    EXPECT_EQ(0, app.dialInProgress);
    ASSERT_EQ(3u, CapturedMessageBoxes().size());
    EXPECT_EQ(L"Zembrik", CapturedMessageBoxes()[0].caption);
    EXPECT_EQ(L"The link \"tel:1-800-FLOWERS\" holds no phone number.", CapturedMessageBoxes()[0].text);
    EXPECT_NE(std::wstring::npos, CapturedMessageBoxes()[1].text.find(L"is too long to dial."));
    EXPECT_NE(std::wstring::npos, CapturedMessageBoxes()[2].text.find(L"5555...\" is too long to dial."));
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
}
