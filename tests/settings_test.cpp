#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "support/test_support.h"

class SettingsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        DeleteDeviceEmulationKey();
        ResetAppState();
    }
    void TearDown() override
    {
        DeleteSettingsKey();
        DeleteDeviceEmulationKey();
    }
    static DWORD ValueCount()
    {
        HKEY key;
        DWORD count = 0;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return 0;
        RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL);
        RegCloseKey(key);
        return count;
    }
};

TEST_F(SettingsTest, FreshDeviceGetsDefaultsWrittenBack)
{
    LoadSettings();
    EXPECT_STREQ(DEFAULT_DIAL_PLAN, app.dialPlan);
    EXPECT_STREQ(L"1", app.countryCode);
    EXPECT_EQ(1, app.exitOnMinimize);
    EXPECT_EQ(1, app.serviceCount);
    EXPECT_EQ(Phone, app.serviceRecords[0].type);
    EXPECT_STREQ(L"", app.serviceRecords[0].title);
    EXPECT_EQ(0, app.selectedService);
    EXPECT_STREQ(L"+1", app.myNumber) << "no own number: just the country code";
    EXPECT_STREQ(L"", app.NumberBuffer);

    EXPECT_EQ(6u, ValueCount());
    EXPECT_EQ(DEFAULT_DIAL_PLAN, GetSettingValue(L"dialplan"));
    EXPECT_EQ(L"default", GetSettingValue(L"skin"));
    EXPECT_EQ(L"1", GetSettingValue(L"countryCode"));
    EXPECT_EQ(L"1", GetSettingValue(L"exitOnMinimize"));
    EXPECT_EQ(L"0", GetSettingValue(L"service"));
    bool present = false;
    EXPECT_EQ(L"", GetSettingValue(L"myNumber", &present));
    EXPECT_TRUE(present);
}

TEST_F(SettingsTest, SkinPathIsBesideTheProgram)
{
    SetSettingValue(L"skin", L"night");
    LoadSettings();
    EXPECT_EQ(ExecutableFolder() + L"night.png", app.skinImagePath);
}

TEST_F(SettingsTest, ReadSettingKeepsAnEmptyStoredValue)
{
    SetSettingValue(L"service", L"");
    WCHAR out[16];
    ReadSetting(out, 16, SETTINGS_KEY, L"service", L"0");
    EXPECT_STREQ(L"", out);
    EXPECT_EQ(L"", GetSettingValue(L"service"));
}

TEST_F(SettingsTest, ReadSettingWithoutDefaultStoresNothing)
{
    SetSettingValue(L"skin", L"default");
    WCHAR out[16] = L"junk";
    ReadSetting(out, 16, SETTINGS_KEY, L"missing", NULL);
    EXPECT_STREQ(L"", out);
    bool present = true;
    GetSettingValue(L"missing", &present);
    EXPECT_FALSE(present);
}

TEST_F(SettingsTest, TooLongValueIsReplacedByTheDefault)
{
    SetSettingValue(L"countryCode", L"12345678");
    LoadSettings();
    EXPECT_STREQ(L"1", app.countryCode);
    EXPECT_EQ(L"1", GetSettingValue(L"countryCode"));
    SetSettingValue(L"countryCode", L"1234567");
    LoadSettings();
    EXPECT_STREQ(L"1234567", app.countryCode);
}

TEST_F(SettingsTest, ValueOfAnotherTypeCountsAsMissing)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL));
    DWORD one = 1;
    RegSetValueExW(key, L"service", 0, REG_DWORD, (const BYTE *)&one, sizeof(one));
    // A binary value of odd length and no terminator must not be read as text.
    const BYTE plan[5] = {'N', 0, 'N', 0, 'N'};
    RegSetValueExW(key, L"dialplan", 0, REG_BINARY, plan, sizeof(plan));
    RegCloseKey(key);
    LoadSettings();
    EXPECT_EQ(0, app.selectedService);
    EXPECT_EQ(L"0", GetSettingValue(L"service"));
    EXPECT_STREQ(DEFAULT_DIAL_PLAN, app.dialPlan);
}

TEST_F(SettingsTest, ExitOnMinimizeLooksAtTheFirstCharacterOnly)
{
    const struct {
        const wchar_t *stored;
        BYTE flag;
    } rows[] = {{L"1", 1}, {L"10", 1}, {L"0", 0}, {L"", 0}, {L"yes", 0}};
    for (const auto &row : rows) {
        SetSettingValue(L"exitOnMinimize", row.stored);
        LoadSettings();
        EXPECT_EQ(row.flag, app.exitOnMinimize) << Narrow(row.stored);
    }
}

TEST_F(SettingsTest, ServicesLoadInOrderUntilAGap)
{
    SetSettingValue(L"service1type", L"jajah");
    SetSettingValue(L"service1title", L"JaJah");
    SetSettingValue(L"service1username", L"jane");
    SetSettingValue(L"service1password", L"secret");
    SetSettingValue(L"service2type", L"grandcentral");
    SetSettingValue(L"service4type", L"phone");
    LoadSettings();
    ASSERT_EQ(2, app.serviceCount);
    EXPECT_EQ(JaJah, app.serviceRecords[0].type);
    EXPECT_STREQ(L"JaJah", app.serviceRecords[0].title);
    EXPECT_STREQ(L"jane", app.serviceRecords[0].username);
    EXPECT_STREQ(L"secret", app.serviceRecords[0].password);
    EXPECT_EQ(GrandCentral, app.serviceRecords[1].type);
    EXPECT_STREQ(L"", app.serviceRecords[1].title);
}

TEST_F(SettingsTest, AllFourKeywordsAndFiveServices)
{
    const wchar_t *keywords[] = {L"phone", L"grandcentral", L"jajah", L"phone.com", L"phone"};
    for (int n = 1; n <= 5; n++) {
        wchar_t name[32];
        swprintf(name, 32, L"service%dtype", n);
        SetSettingValue(name, keywords[n - 1]);
    }
    SetSettingValue(L"service6type", L"jajah");
    LoadSettings();
    ASSERT_EQ(5, app.serviceCount);
    EXPECT_EQ(Phone, app.serviceRecords[0].type);
    EXPECT_EQ(GrandCentral, app.serviceRecords[1].type);
    EXPECT_EQ(JaJah, app.serviceRecords[2].type);
    EXPECT_EQ(PhoneCom, app.serviceRecords[3].type);
    EXPECT_EQ(Phone, app.serviceRecords[4].type);
}

TEST_F(SettingsTest, UnknownOrMiscasedKeywordEndsTheList)
{
    SetSettingValue(L"service1type", L"Phone");
    SetSettingValue(L"service2type", L"jajah");
    SetSettingValue(L"service1title", L"Mine");
    LoadSettings();
    EXPECT_EQ(1, app.serviceCount);
    EXPECT_EQ(Phone, app.serviceRecords[0].type);
    EXPECT_STREQ(L"", app.serviceRecords[0].title);
}

TEST_F(SettingsTest, TitleOfSixtyThreeFitsSixtyFourDoesNot)
{
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service1title", std::wstring(63, L't'));
    SetSettingValue(L"service2type", L"phone");
    SetSettingValue(L"service2title", std::wstring(64, L't'));
    LoadSettings();
    EXPECT_EQ(std::wstring(63, L't'), app.serviceRecords[0].title);
    EXPECT_STREQ(L"", app.serviceRecords[1].title);
    EXPECT_EQ(std::wstring(64, L't'), GetSettingValue(L"service2title")) << "no default, so nothing replaced";
}

TEST_F(SettingsTest, SelectedServiceIndexRules)
{
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service2type", L"jajah");
    const struct {
        const wchar_t *stored;
        int index;
    } rows[] = {{L"7", 1}, {L"1", 1}, {L"abc", 0}, {L"", 0}, {L" +3x", 1}, {L"-1", 0}, {L"-7", 0}};
    for (const auto &row : rows) {
        SetSettingValue(L"service", row.stored);
        LoadSettings();
        EXPECT_EQ(row.index, app.selectedService) << Narrow(row.stored);
        EXPECT_EQ(row.stored, GetSettingValue(L"service")) << "a present value is never replaced";
    }
}

TEST_F(SettingsTest, ServiceIndexFromTextStaysInsideTheTable)
{
    for (int count = 1; count <= 5; count++) {
        for (const wchar_t *text : {L"-2147483648", L"2147483647", L"-5", L"4", L"0"}) {
            int index = ServiceIndexFromText(text, count);
            EXPECT_GE(index, 0);
            EXPECT_LT(index, count);
        }
    }
}

TEST_F(SettingsTest, LastDialedNumberFillsOnlyAnEmptyNumber)
{
    SetSettingValue(L"lastDialedNumber", L"(555) 123-4567");
    LoadSettings();
    EXPECT_STREQ(L"5551234567", app.NumberBuffer);
    wcscpy(app.NumberBuffer, L"42");
    LoadSettings();
    EXPECT_STREQ(L"42", app.NumberBuffer);
}

TEST_F(SettingsTest, OwnNumberIsLookedUpStoredAndMadeInternational)
{
    SetEmulationString(L"LineNumber", L"4155550100");
    LoadSettings();
    EXPECT_STREQ(L"+14155550100", app.myNumber);
    EXPECT_EQ(L"4155550100", GetSettingValue(L"myNumber")) << "stored as the line reported it";

    SetEmulationString(L"LineNumber", L"4155559999");
    LoadSettings();
    EXPECT_STREQ(L"+14155550100", app.myNumber) << "a stored number is not looked up again";
}

TEST_F(SettingsTest, EmptyOwnNumberIsLookedUpAtEveryLoad)
{
    SetSettingValue(L"myNumber", L"");
    LoadSettings();
    EXPECT_STREQ(L"+1", app.myNumber);
    SetEmulationString(L"LineNumber", L"+442071234567");
    LoadSettings();
    EXPECT_STREQ(L"+442071234567", app.myNumber);
    EXPECT_EQ(L"+442071234567", GetSettingValue(L"myNumber"));
}

TEST_F(SettingsTest, WriteSettingCreatesTheKey)
{
    WriteSetting(SETTINGS_KEY, L"3", L"service");
    EXPECT_EQ(L"3", GetSettingValue(L"service"));
    DWORD size = 0;
    RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY, L"service", RRF_RT_REG_SZ, NULL, NULL, &size);
    EXPECT_EQ(4u, size) << "the terminator is stored";
}

TEST_F(SettingsTest, BuildProgramFolderPathWithAndWithoutExtension)
{
    WCHAR path[PATH_CAPACITY];
    BuildProgramFolderPath(path, L"default", L"png");
    EXPECT_EQ(ExecutableFolder() + L"default.png", path);
    BuildProgramFolderPath(path, L"calls", NULL);
    EXPECT_EQ(ExecutableFolder() + L"calls", path);
    BuildProgramFolderPath(path, std::wstring(400, L'x').c_str(), L"png");
    EXPECT_EQ((size_t)PATH_CAPACITY - 1, wcslen(path));
}
