// The real main window, driven with the messages the system and the input
// handlers send it.
#include <aygshell.h>
#include <gtest/gtest.h>

#include <string>

#include "app/shell.h"
#include "dialing/dialing.h"
#include "settings/settings.h"
#include "support/test_support.h"

class MainWindowTest : public ::testing::Test
{
  protected:
    HWND window = NULL;

    void SetUp() override
    {
        StartFreshDevice();
        SetSettingValue(L"exitOnMinimize", L"0");
    }
    void Start()
    {
        window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
        ASSERT_TRUE(window != NULL);
        Drain();
    }
    void TearDown() override
    {
        if (window && IsWindow(window))
            DestroyWindow(window);
        Drain();
        UnregisterClassW(ZEMBRIK_CLASS_NAME, GetModuleHandleW(NULL));
        DeleteCallsLog();
        DeleteSettingsKey();
        DeleteDeviceEmulationKey();
    }
    static void Drain()
    {
        MSG message;
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    void Command(WPARAM id, LPARAM lParam = 0)
    {
        PostMessageW(window, WM_COMMAND, id, lParam);
        Drain();
    }
    void Type(const wchar_t *keys)
    {
        for (; *keys; keys++)
            Command(CMD_KEY, *keys);
    }
};

TEST_F(MainWindowTest, StartsShowingTheLastDialledNumber)
{
    SetSettingValue(L"lastDialedNumber", L"5551234");
    Start();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_STREQ(L"5551234", app.NumberBuffer);
    EXPECT_STREQ(L"555-1234", app.DisplayNumber);
    EXPECT_EQ(0, app.numberEntryActive);
    wchar_t className[32];
    GetClassNameW(window, className, 32);
    EXPECT_STREQ(L"Zembrik", className);
}

TEST_F(MainWindowTest, TypingReplacesTheShownNumberThenAppends)
{
    SetSettingValue(L"lastDialedNumber", L"5551234");
    Start();
    Type(L"5");
    EXPECT_STREQ(L"5", app.NumberBuffer);
    EXPECT_EQ(1, app.numberEntryActive);
    Type(L"551234567");
    EXPECT_STREQ(L"5551234567", app.NumberBuffer);
    EXPECT_STREQ(L"(555) 123-4567", app.DisplayNumber);
}

TEST_F(MainWindowTest, BackspaceOnTheShownNumberEmptiesIt)
{
    SetSettingValue(L"lastDialedNumber", L"5551234");
    Start();
    Command(CMD_KEY, KEY_BACKSPACE);
    EXPECT_STREQ(L"", app.NumberBuffer);
    EXPECT_STREQ(L"", app.DisplayNumber);
    EXPECT_EQ(1, app.numberEntryActive);
    Type(L"12");
    Command(CMD_KEY, KEY_BACKSPACE);
    EXPECT_STREQ(L"1", app.NumberBuffer);
}

TEST_F(MainWindowTest, BackspaceOnAnEmptyNumberStillReformats)
{
    Start();
    app.numberEntryActive = 1;
    wcscpy(app.DisplayNumber, L"stale");
    Command(CMD_KEY, KEY_BACKSPACE);
    EXPECT_STREQ(L"", app.NumberBuffer);
    EXPECT_STREQ(L"", app.DisplayNumber);
}

TEST_F(MainWindowTest, TheNumberHoldsAtMostSeventyNineUnits)
{
    Start();
    app.numberEntryActive = 1;
    std::wstring full(79, L'1');
    wcscpy(app.NumberBuffer, full.c_str());
    Type(L"2");
    EXPECT_EQ(full, app.NumberBuffer);
    Command(CMD_KEY, KEY_BACKSPACE);
    EXPECT_EQ(std::wstring(78, L'1'), app.NumberBuffer);
    Type(L"3");
    EXPECT_EQ(std::wstring(78, L'1') + L"3", app.NumberBuffer);
}

TEST_F(MainWindowTest, PlusFromAHeldZeroIsTypedLikeAKey)
{
    SetSettingValue(L"lastDialedNumber", L"5551234");
    Start();
    Command(CMD_KEY, L'+');
    Type(L"15551234567");
    EXPECT_STREQ(L"+15551234567", app.NumberBuffer);
    EXPECT_STREQ(L"+1 555 123 4567", app.DisplayNumber);
}

TEST_F(MainWindowTest, ClearEmptiesButKeepsTheEntryState)
{
    SetSettingValue(L"lastDialedNumber", L"5551234");
    Start();
    Command(CMD_CLEAR);
    EXPECT_STREQ(L"", app.NumberBuffer);
    EXPECT_STREQ(L"", app.DisplayNumber);
    EXPECT_EQ(0, app.numberEntryActive);
}

TEST_F(MainWindowTest, DialingAnEmptyNumberKeepsTheWindow)
{
    Start();
    Command(CMD_DIAL);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
}

TEST_F(MainWindowTest, CallKeyDialsAndMinimizes)
{
    Start();
    wcscpy(app.calledPartyName, L"Jane");
    Type(L"5551234");
    Command(CMD_KEY, KEY_CALL);
    EXPECT_EQ("5551234\tJane\n", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_TRUE(IsIconic(window));
    EXPECT_EQ(0, app.numberEntryActive);
    EXPECT_STREQ(L"5551234", app.NumberBuffer) << "the dialled number stays, shown as the last one";
    EXPECT_EQ(L"5551234", GetSettingValue(L"lastDialedNumber"));
}

TEST_F(MainWindowTest, HardwareCallKeyDials)
{
    Start();
    Type(L"911");
    Command(CMD_CALL_KEY);
    EXPECT_EQ("911\t\n", CallsLogWithoutTimes(CallsLogPath()));
}

TEST_F(MainWindowTest, FailedDialKeepsTheNumberEditable)
{
    Start();
    SetEmulationDWORD(L"RefuseCalls", 1);
    Type(L"5551234");
    Command(CMD_DIAL);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(1, app.numberEntryActive);
    EXPECT_STREQ(L"5551234", app.NumberBuffer);
}

TEST_F(MainWindowTest, VoicemailDialsTheOwnNumberAndLeavesTheTypedOne)
{
    SetEmulationString(L"LineNumber", L"4155550100");
    Start();
    Type(L"42");
    Command(CMD_VOICEMAIL);
    EXPECT_EQ("+14155550100\tVoicemail\n", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_STREQ(L"42", app.NumberBuffer);
    EXPECT_EQ(0, app.numberEntryActive);
    EXPECT_TRUE(IsIconic(window));
}

TEST_F(MainWindowTest, NextServiceCyclesAndStoresTheIndex)
{
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service2type", L"phone");
    SetSettingValue(L"service3type", L"phone");
    Start();
    const wchar_t *expected[] = {L"1", L"2", L"0", L"1"};
    for (const wchar_t *index : expected) {
        Command(CMD_NEXT_SERVICE);
        EXPECT_EQ(index, GetSettingValue(L"service"));
        EXPECT_EQ(_wtoi(index), app.selectedService);
    }
}

TEST_F(MainWindowTest, NextServiceWithOneServiceStaysOnIt)
{
    Start();
    Command(CMD_NEXT_SERVICE);
    EXPECT_EQ(L"0", GetSettingValue(L"service"));
    EXPECT_EQ(0, app.selectedService);
}

TEST_F(MainWindowTest, AServiceChangeByAnyoneReloadsTheSettings)
{
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service2type", L"phone");
    Start();
    SetSettingValue(L"service2title", L"Work line");
    SetSettingValue(L"service", L"1");
    ASSERT_TRUE(PumpMessagesUntil([] { return app.selectedService == 1; }, 5000));
    EXPECT_STREQ(L"Work line", app.serviceRecords[1].title);
}

TEST_F(MainWindowTest, SettingsChangedReloadsOnlyForItsOwnUserData)
{
    Start();
    SetSettingValue(L"countryCode", L"44");
    SendMessageW(window, WM_SETTINGS_CHANGED, 0, 7);
    EXPECT_STREQ(L"1", app.countryCode);
    SendMessageW(window, WM_SETTINGS_CHANGED, 0, SETTINGS_NOTIFY_USER_DATA);
    EXPECT_STREQ(L"44", app.countryCode);
}

TEST_F(MainWindowTest, ReloadCommandReadsTheSettingsAgain)
{
    Start();
    SetSettingValue(L"dialplan", L"NN-NN");
    Command(CMD_RELOAD_SETTINGS);
    EXPECT_STREQ(L"NN-NN", app.dialPlan);
}

TEST_F(MainWindowTest, TabCommandsWithoutTheCompanionDoNothing)
{
    Start();
    Command(CMD_FAVORITES);
    Command(CMD_SEARCH);
    EXPECT_EQ(KEYPAD_TAB, app.selectedTab);
}

TEST_F(MainWindowTest, TabCommandsStartTheCompanionAndMarkTheTab)
{
    WCHAR sibling[PATH_CAPACITY];
    ASSERT_FALSE(FindSiblingApp(sibling));
    std::wstring folder(sibling);
    folder.resize(folder.rfind(L'\\'));
    CreateDirectoryW(folder.c_str(), NULL);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\hostname.exe").c_str(), sibling, FALSE));
    Start();
    EXPECT_EQ(1, app.siblingAppPresent);
    Command(CMD_RECENTS);
    EXPECT_EQ(1, app.selectedTab);
    Command(CMD_SEARCH);
    EXPECT_EQ(4, app.selectedTab);
    Sleep(300);
    DeleteFileW(sibling);
    RemoveDirectoryW(folder.c_str());
}

TEST_F(MainWindowTest, ActivationIsFullScreenAndDeactivationShowsTheTaskbar)
{
    Start();
    app.selectedTab = 1;
    app.keyIsDown = 1;
    SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ((ULONG_PTR)(SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON),
              (ULONG_PTR)GetPropW(window, SHFULLSCREEN_STATE_PROPERTY));
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rect.bottom);
    EXPECT_EQ(KEYPAD_TAB, app.selectedTab);
    EXPECT_EQ(0, app.keyIsDown);

    HWND other = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, (LPARAM)other);
    DWORD state = (DWORD)(ULONG_PTR)GetPropW(window, SHFULLSCREEN_STATE_PROPERTY);
    EXPECT_EQ((DWORD)(SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON), state);
    RECT workArea;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    GetWindowRect(window, &rect);
    EXPECT_TRUE(EqualRect(&rect, &workArea));
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(other);
}

TEST_F(MainWindowTest, LosingActivationToNothingEndsTheProgramWhenAsked)
{
    SetSettingValue(L"exitOnMinimize", L"1");
    Start();
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(IsWindow(window));
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the window ended without its WM_DESTROY";
    EXPECT_EQ(0u, message.wParam);
}

TEST_F(MainWindowTest, LosingActivationToNothingKeepsRunningWhenNotAsked)
{
    Start();
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(MainWindowTest, MinimizingDoesNotRecomputeTheLayout)
{
    Start();
    RECT client;
    GetClientRect(window, &client);
    EXPECT_TRUE(EqualRect(&client, &app.clientRect));
    EXPECT_EQ(client.right, app.statusBarRect.right);

    SetRect(&app.clientRect, 1, 2, 3, 4);
    SendMessageW(window, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(3, app.clientRect.right);
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_TRUE(EqualRect(&client, &app.clientRect));
}

TEST_F(MainWindowTest, StatusChangeRereadsOnlyTheNamedValues)
{
    Start();
    DWORD raw = 100, bluetooth = 5;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"System\\State\\Phone", L"Signal Strength Raw", REG_DWORD, &raw, 4);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"System\\State\\Hardware", L"Bluetooth", REG_DWORD, &bluetooth, 4);
    SendMessageW(window, WM_STATUS_CHANGED, 0, 1);
    EXPECT_EQ(5, app.status.signalLevel);
    EXPECT_EQ(0, app.status.bluetoothBit0);
    SendMessageW(window, WM_STATUS_CHANGED, 0, 16);
    EXPECT_EQ(1, app.status.bluetoothBit0);
    EXPECT_EQ(1, app.status.bluetoothBit2);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"System\\State\\Phone", L"Signal Strength Raw");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"System\\State\\Hardware", L"Bluetooth");
}

TEST_F(MainWindowTest, ASecondInstanceHandsItsCommandLineOver)
{
    Start();
    COPYDATASTRUCT data = {0, (DWORD)(7 * sizeof(WCHAR)), (void *)L"5550199-name=Bob"};
    SendMessageW(window, WM_COPYDATA, 0, (LPARAM)&data);
    EXPECT_EQ("5550199\t\n", CallsLogWithoutTimes(CallsLogPath())) << "only cbData bytes are read";
    EXPECT_TRUE(IsWindow(window));
    data.cbData = 0;
    SendMessageW(window, WM_COPYDATA, 0, (LPARAM)&data);
    EXPECT_EQ("5550199\t\n", CallsLogWithoutTimes(CallsLogPath()));
}

TEST_F(MainWindowTest, AStateChangeByAnotherProcessReachesTheStatusBar)
{
    Start();
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(0u, RunProgram(std::wstring(system) + L"\\reg.exe",
                             L"add \"HKLM\\System\\State\\Phone\" /v \"Signal Strength Raw\" /t REG_DWORD /d 61 /f"));
    EXPECT_TRUE(PumpMessagesUntil([] { return app.status.signalLevel == 3; }, 5000));
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"System\\State\\Phone", L"Signal Strength Raw");
}

// The number on screen is the number Call dials: every way the number can
// change outside typing brings the display along.
TEST_F(MainWindowTest, AHandOverDialShowsTheDialledNumber)
{
    SetSettingValue(L"lastDialedNumber", L"999");
    Start();
    Type(L"12");
    COPYDATASTRUCT data = {0, (DWORD)(7 * sizeof(WCHAR)), (void *)L"5550199"};
    SendMessageW(window, WM_COPYDATA, 0, (LPARAM)&data);
    EXPECT_EQ("5550199\t\n", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_STREQ(L"5550199", app.NumberBuffer);
    EXPECT_STREQ(L"555-0199", app.DisplayNumber);
    EXPECT_EQ(0, app.numberEntryActive) << "shown as the last dialled number";
    RECT update;
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE)) << "the screen is repainted";
    Command(CMD_DIAL);
    EXPECT_EQ("5550199\t\n5550199\t\n", CallsLogWithoutTimes(CallsLogPath())) << "Call dials what the screen shows";
}

static void HandOver(HWND window, const std::wstring &commandLine)
{
    COPYDATASTRUCT data = {0, (DWORD)(commandLine.size() * sizeof(WCHAR)), (void *)commandLine.c_str()};
    SendMessageW(window, WM_COPYDATA, 0, (LPARAM)&data);
}

// A link puts its number on screen as if typed, dials nothing, and Call
// then dials what the screen shows.
TEST_F(MainWindowTest, ALinkIsShownAsTypedAndCallDialsIt)
{
    SetSettingValue(L"lastDialedNumber", L"999");
    window = InitInstance(GetModuleHandleW(NULL), L"\"tel:+1-201-555-0123\"", SW_SHOWNORMAL);
    ASSERT_TRUE(window != NULL) << "a link at start shows the window";
    Drain();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_STREQ(L"+1 201 555 0123", app.DisplayNumber);
    EXPECT_EQ(1, app.numberEntryActive);

    HandOver(window, L"tel:863-1234;phone-context=+1-914-555");
    EXPECT_STREQ(L"+19145558631234", app.NumberBuffer);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE)) << "the screen is repainted";
    Type(L"#");
    EXPECT_STREQ(L"+19145558631234#", app.NumberBuffer) << "typing goes on from the link's number";
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
    Command(CMD_DIAL);
    EXPECT_EQ("+19145558631234#\t\n", CallsLogWithoutTimes(CallsLogPath()));
}

// A link that comes while a message of an earlier one is open waits for it.
TEST_F(MainWindowTest, ALinkDuringAMessageIsHeldUntilItCloses)
{
    Start();
    std::wstring numberDuringTheMessage;
    SetDialogHandler([&](HWND dialog) {
        HandOver(window, L"tel:555-0100");
        numberDuringTheMessage = app.NumberBuffer;
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    HandOver(window, L"tel:call-me");
    SetDialogHandler(nullptr);
    EXPECT_EQ(L"", numberDuringTheMessage);
    EXPECT_STREQ(L"5550100", app.NumberBuffer);
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
}

TEST_F(MainWindowTest, AReloadNeverBringsBackAnErasedNumber)
{
    SetSettingValue(L"lastDialedNumber", L"5551234");
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service2type", L"phone");
    Start();
    Type(L"12");
    Command(CMD_KEY, KEY_BACKSPACE);
    Command(CMD_KEY, KEY_BACKSPACE);
    Command(CMD_NEXT_SERVICE);
    SendMessageW(window, WM_SETTINGS_CHANGED, 0, SETTINGS_NOTIFY_USER_DATA);
    Command(CMD_RELOAD_SETTINGS);
    EXPECT_STREQ(L"", app.NumberBuffer);
    EXPECT_STREQ(L"", app.DisplayNumber);
    Type(L"9");
    Command(CMD_DIAL);
    EXPECT_EQ("9\t\n", CallsLogWithoutTimes(CallsLogPath()));
}

TEST_F(MainWindowTest, AReloadThatRefillsTheNumberShowsIt)
{
    SetSettingValue(L"lastDialedNumber", L"5551234");
    Start();
    Command(CMD_CLEAR);
    EXPECT_STREQ(L"", app.DisplayNumber);
    ASSERT_EQ(0, app.numberEntryActive) << "a clear keeps the last-dialled state";
    Command(CMD_RELOAD_SETTINGS);
    EXPECT_STREQ(L"5551234", app.NumberBuffer);
    EXPECT_STREQ(L"555-1234", app.DisplayNumber);
    SetSettingValue(L"lastDialedNumber", L"5550000");
    SetSettingValue(L"dialplan", L"NNN.NNNN");
    Command(CMD_RELOAD_SETTINGS);
    EXPECT_STREQ(L"555-1234", app.DisplayNumber) << "an unchanged number keeps its shape until the next edit";
}

TEST_F(MainWindowTest, ActivatingTheMinimizedWindowOnTheDesktopIsAnActivation)
{
    SetSettingValue(L"exitOnMinimize", L"1");
    Start();
    app.selectedTab = 1;
    SendMessageW(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);
    ASSERT_TRUE(IsWindow(window)) << "taken for a loss of activation, it ended the program";
    EXPECT_EQ((ULONG_PTR)(SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON),
              (ULONG_PTR)GetPropW(window, SHFULLSCREEN_STATE_PROPERTY));
    EXPECT_EQ(KEYPAD_TAB, app.selectedTab);
    SendMessageW(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
    EXPECT_FALSE(IsWindow(window)) << "minimized and losing activation still ends it";
    window = NULL;
}

TEST_F(MainWindowTest, WithoutAnOwnNumberVoicemailDialsNothing)
{
    Start();
    ASSERT_STREQ(L"+1", app.myNumber) << "the line reports no number";
    Command(CMD_VOICEMAIL);
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
    bool present = true;
    GetSettingValue(L"lastDialedNumber", &present);
    EXPECT_FALSE(present);
    EXPECT_FALSE(IsIconic(window));
}

TEST(OwnNumber, NothingAfterTheCountryCodeIsUnknown)
{
    EXPECT_FALSE(OwnNumberIsKnown(L"+1", L"1"));
    EXPECT_FALSE(OwnNumberIsKnown(L"+", L""));
    EXPECT_FALSE(OwnNumberIsKnown(L"+44", L"44"));
    EXPECT_FALSE(OwnNumberIsKnown(L"", L"1"));
    EXPECT_TRUE(OwnNumberIsKnown(L"+14155550100", L"1"));
    EXPECT_TRUE(OwnNumberIsKnown(L"+442071234567", L"1"));
    EXPECT_TRUE(OwnNumberIsKnown(L"+1", L"44"));
}
