// The stylus and the phone's keys, as the messages the system sends for
// them, on the real window at the QVGA layout with its tab strip.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/shell.h"
#include "display/display.h"
#include "settings/settings.h"
#include "support/test_support.h"

namespace
{

std::vector<std::pair<WPARAM, LPARAM>> commands;

LRESULT CALLBACK RecordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        commands.push_back({wParam, lParam});
    return MainWndProc(window, message, wParam, lParam);
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

} // namespace

class KeypadTest : public ::testing::Test
{
  protected:
    HWND window = NULL;

    void SetUp() override
    {
        StartFreshDevice();
        commands.clear();
        SetSettingValue(L"exitOnMinimize", L"0");
        SetSettingValue(L"lastDialedNumber", L"999");
        SetEmulationDWORD(L"SilentWaveOut", 1);
    }
    void Start()
    {
        window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
        ASSERT_TRUE(window != NULL);
        Drain();
        app.metrics.tabStripHeight = 40;
        ComputeLayout(window);
        SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)RecordCommands);
    }
    void TearDown() override
    {
        if (window && IsWindow(window))
            DestroyWindow(window);
        Drain();
        UnregisterClassW(ZEMBRIK_CLASS_NAME, GetModuleHandleW(NULL));
        StartFreshDevice();
    }
    static void Drain() { PumpMessagesFor(30); }
    void Tap(int x, int y, int upX = -1, int upY = -1)
    {
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        PostMessageW(window, WM_LBUTTONUP, 0, upX < 0 ? At(x, y) : At(upX, upY));
        Drain();
    }
    void Hold(int x, int y)
    {
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        PumpMessagesFor(1200);
        PostMessageW(window, WM_LBUTTONUP, 0, At(x, y));
        Drain();
    }
    void Key(UINT vk, int repeats = 0)
    {
        PostMessageW(window, WM_KEYDOWN, vk, 1);
        for (int i = 0; i < repeats; i++)
            PostMessageW(window, WM_KEYDOWN, vk, 0x40000001);
        PostMessageW(window, WM_KEYUP, vk, 0xC0000001);
        Drain();
    }
    std::vector<WPARAM> CommandIds()
    {
        std::vector<WPARAM> ids;
        for (auto &command : commands)
            ids.push_back(command.first);
        return ids;
    }
};

// Centres of keys in the 240x320 layout with a 40-pixel tab strip.
enum { COLUMN_1 = 40, COLUMN_2 = 120, COLUMN_3 = 200, ROW_1 = 78, ROW_2 = 122, ROW_3 = 166, ROW_4 = 210, ROW_5 = 256 };

TEST_F(KeypadTest, ATapTypesOnReleaseWithToneAndHighlightMeanwhile)
{
    Start();
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(COLUMN_2, ROW_2));
    Drain();
    EXPECT_TRUE(app.toneDevice != NULL) << "the tone sounds while the pen is down";
    EXPECT_TRUE(EqualRect(&app.highlightRect, &app.keyRects[4]));
    EXPECT_STREQ(L"999", app.NumberBuffer) << "nothing is typed on the press";
    PostMessageW(window, WM_LBUTTONUP, 0, At(COLUMN_2, ROW_2));
    Drain();
    EXPECT_TRUE(app.toneDevice == NULL);
    EXPECT_STREQ(L"5", app.NumberBuffer);
    EXPECT_EQ(0, app.pressedKey);
}

TEST_F(KeypadTest, ReleasingElsewhereTypesNothing)
{
    Start();
    Tap(COLUMN_2, ROW_2, COLUMN_3, ROW_2);
    Tap(COLUMN_2, ROW_2, COLUMN_2, 30);
    Tap(COLUMN_2, 40);
    EXPECT_STREQ(L"999", app.NumberBuffer);
    EXPECT_TRUE(app.toneDevice == NULL);
    EXPECT_TRUE(commands.empty());
}

TEST_F(KeypadTest, HoldingZeroTypesPlusOneDialsVoicemailBackspaceClears)
{
    SetEmulationString(L"LineNumber", L"4155550100");
    Start();
    Hold(COLUMN_2, ROW_4);
    EXPECT_STREQ(L"+", app.NumberBuffer);
    Hold(COLUMN_3, ROW_5);
    EXPECT_STREQ(L"", app.NumberBuffer);
    Tap(COLUMN_1, ROW_1);
    Hold(COLUMN_1, ROW_1);
    EXPECT_STREQ(L"1", app.NumberBuffer) << "the hold dialled instead of typing";
    EXPECT_EQ("+14155550100\tVoicemail\n", CallsLogWithoutTimes(CallsLogPath()));
    Hold(COLUMN_2, ROW_2);
    EXPECT_STREQ(L"5", app.NumberBuffer) << "a hold on 5 types it once (the dial made the number the last one)";
    EXPECT_TRUE(app.toneDevice == NULL);
    DeleteCallsLog();
}

TEST_F(KeypadTest, AReleaseDuringTheHoldWaitIsNotSwallowed)
{
    Start();
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(COLUMN_2, ROW_4));
    std::thread lift([this] {
        Sleep(250);
        PostMessageW(window, WM_LBUTTONUP, 0, At(COLUMN_2, ROW_4));
    });
    PumpMessagesFor(900);
    lift.join();
    EXPECT_STREQ(L"0", app.NumberBuffer);
}

TEST_F(KeypadTest, TabStripFifths)
{
    Start();
    const struct {
        int percent;
        WPARAM command;
    } taps[] = {{10, CMD_FAVORITES}, {30, CMD_RECENTS}, {50, CMD_CONTACTS}, {70, 0}, {90, CMD_SEARCH}};
    for (const auto &tap : taps) {
        commands.clear();
        Tap(240 * tap.percent / 100, 300);
        EXPECT_EQ(tap.command ? std::vector<WPARAM>{tap.command} : std::vector<WPARAM>{}, CommandIds())
            << tap.percent << "%";
    }
    commands.clear();
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 300));
    PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, At(20, 200));
    PostMessageW(window, WM_LBUTTONUP, 0, At(220, 300));
    Drain();
    EXPECT_EQ(std::vector<WPARAM>{CMD_SEARCH}, CommandIds()) << "the tab under the release is taken";
    commands.clear();
    Tap(20, 300, COLUMN_1, ROW_1);
    EXPECT_TRUE(commands.empty());
}

TEST_F(KeypadTest, ServiceTitleSwitchesOnlyWithSeveralServices)
{
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service2type", L"phone");
    Start();
    Tap(50, 8);
    EXPECT_EQ(std::vector<WPARAM>{CMD_NEXT_SERVICE}, CommandIds());
    EXPECT_FALSE(IsIconic(window));
    Tap(200, 8);
    EXPECT_TRUE(IsIconic(window)) << "a tap on the status bar minimizes";
}

TEST_F(KeypadTest, WithOneServiceTheTitleIsPartOfTheStatusBar)
{
    Start();
    Tap(50, 8);
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(IsIconic(window));
}

TEST_F(KeypadTest, HardwareKeysTypeOnKeyUpAndRepeatOnlyBackspace)
{
    Start();
    Key('5', 3);
    EXPECT_STREQ(L"5", app.NumberBuffer);
    Key(VK_F8);
    Key(VK_F9);
    Key('7');
    Key('8');
    EXPECT_STREQ(L"5*#78", app.NumberBuffer);
    Key(VK_BACK, 2);
    EXPECT_STREQ(L"5*", app.NumberBuffer) << "one per repeat and one at the key-up";
    Key(VK_ESCAPE);
    EXPECT_STREQ(L"5", app.NumberBuffer);
    EXPECT_EQ(0, app.keyIsDown);
    EXPECT_TRUE(app.toneDevice == NULL);
}

TEST_F(KeypadTest, HeldHardwareKeyKeepsItsToneAndHighlight)
{
    Start();
    PostMessageW(window, WM_KEYDOWN, '9', 1);
    PostMessageW(window, WM_KEYDOWN, '9', 0x40000001);
    Drain();
    EXPECT_TRUE(app.toneDevice != NULL);
    EXPECT_TRUE(EqualRect(&app.highlightRect, &app.keyRects[8]));
    PostMessageW(window, WM_KEYUP, '9', 0xC0000001);
    Drain();
    EXPECT_TRUE(app.toneDevice == NULL);
}

TEST_F(KeypadTest, NavigationKeysActOnKeyDown)
{
    Start();
    PostMessageW(window, WM_KEYDOWN, VK_LEFT, 1);
    PostMessageW(window, WM_KEYDOWN, VK_RIGHT, 1);
    Drain();
    EXPECT_EQ((std::vector<WPARAM>{CMD_CONTACTS, CMD_SEARCH}), CommandIds());
    commands.clear();
    Key(VK_RETURN);
    EXPECT_EQ((std::vector<WPARAM>{CMD_CALL_KEY, CMD_DIAL}), CommandIds()) << "the key-up adds nothing";
    EXPECT_EQ("999\t\n", CallsLogWithoutTimes(CallsLogPath()));
    DeleteCallsLog();
}

TEST(KeypadMapping, VirtualKeysToKeyCodes)
{
    EXPECT_EQ(KEY_BACKSPACE, MapVirtualKeyToKeyCode(VK_BACK));
    EXPECT_EQ(KEY_BACKSPACE, MapVirtualKeyToKeyCode(VK_ESCAPE));
    EXPECT_EQ(KEY_BACKSPACE, MapVirtualKeyToKeyCode(92));
    EXPECT_EQ('0', MapVirtualKeyToKeyCode('0'));
    EXPECT_EQ('*', MapVirtualKeyToKeyCode(VK_F8));
    EXPECT_EQ('#', MapVirtualKeyToKeyCode(VK_F9));
    EXPECT_EQ(KEY_NONE, MapVirtualKeyToKeyCode('A'));
    EXPECT_EQ(KEY_NONE, MapVirtualKeyToKeyCode(VK_RETURN));
}

// A keyboard repeats a held key: the first repeat after half a second, then
// about thirty a second, until the key-up.
class HeldHardwareKeyTest : public KeypadTest
{
  protected:
    void HoldWithAutoRepeat(UINT vk)
    {
        PostMessageW(window, WM_KEYDOWN, vk, 1);
        std::thread keyboard([this, vk] {
            Sleep(500);
            for (int i = 0; i < 30; i++) {
                PostMessageW(window, WM_KEYDOWN, vk, 0x40000001);
                Sleep(33);
            }
            PostMessageW(window, WM_KEYUP, vk, 0xC0000001);
        });
        PumpMessagesFor(1800);
        keyboard.join();
        Drain();
    }
};

TEST_F(HeldHardwareKeyTest, AHeldZeroTypesOnlyThePlus)
{
    Start();
    HoldWithAutoRepeat('0');
    EXPECT_STREQ(L"+", app.NumberBuffer);
    Key('4');
    Key('4');
    Key(VK_RETURN);
    EXPECT_EQ("+44\t\n", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_TRUE(app.toneDevice == NULL);
    DeleteCallsLog();
}

TEST_F(HeldHardwareKeyTest, AHeldOneDialsVoicemailOnceAndTypesNothing)
{
    SetEmulationString(L"LineNumber", L"4155550100");
    Start();
    Key('7');
    HoldWithAutoRepeat('1');
    EXPECT_EQ("+14155550100\tVoicemail\n", CallsLogWithoutTimes(CallsLogPath()));
    EXPECT_STREQ(L"7", app.NumberBuffer);
    DeleteCallsLog();
}

TEST_F(HeldHardwareKeyTest, AHeldBackspaceStillClearsAndTheNextPressTypes)
{
    Start();
    Key('1');
    Key('2');
    HoldWithAutoRepeat(VK_BACK);
    EXPECT_STREQ(L"", app.NumberBuffer);
    Key('5');
    EXPECT_STREQ(L"5", app.NumberBuffer) << "the next press is a new one";
}
