// Fitting the number to the display: the height must be exactly the one
// the step-by-step shrinking (a font made and measured per step) ends with,
// while a key press makes at most the one font the number is shown in.
#include <gtest/gtest.h>

#include <string>

#include "app/keys.h"
#include "app/shell.h"
#include "display/display.h"
#include "support/import_hooks.h"
#include "support/test_support.h"

namespace
{

// The height the step-by-step shrinking ends with.
int HeightStepByStep(HDC dc, const WCHAR *text, int startHeight, int maxWidth)
{
    int height = startHeight;
    HFONT font = CreateUiFont(height, FALSE, 0);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT measure = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &measure, DT_CALCRECT);
    while (measure.right > maxWidth && height > 4) {
        height -= 2;
        HFONT smaller = CreateUiFont(height, FALSE, 0);
        SelectObject(dc, smaller);
        DeleteObject(font);
        font = smaller;
        measure.right = measure.bottom = 0;
        DrawTextW(dc, text, -1, &measure, DT_CALCRECT);
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    return height;
}

int fontsMade = 0;
decltype(&CreateFontIndirectW) realCreateFontIndirectW = NULL;

HFONT WINAPI CountingCreateFontIndirectW(const LOGFONTW *font)
{
    fontsMade++;
    return realCreateFontIndirectW(font);
}

} // namespace

// Texts grown a character at a time and shrunk again, as presses do, and
// texts with characters the widths are not kept for ('&' is a mnemonic to
// DrawText, letters are outside the tables), at several start heights
// (even, odd, a 192 dpi phone's) and display widths, with nothing learnt
// beforehand.
TEST(NumberFit, EveryHeightIsTheOneTheStepByStepShrinkingGives)
{
    ResetAppState();
    HDC dc = CreateCompatibleDC(NULL);
    const wchar_t *sources[] = {
        L"+1 (555) 123-4567 #*123456789012345678901234567890123456789012345678901234567890123",
        L"1-800-FLOWERS & more, ext. 1234 p 5678 w 9012 abcdefghijklmnopqrstuvwxyz 0123456789",
    };
    const struct {
        int startHeight, maxWidth;
    } screens[] = {{32, 240}, {32, 320}, {33, 240}, {64, 480}, {64, 640}, {31, 100}};
    int compared = 0, shrunk = 0;
    for (const auto &screen : screens) {
        HFONT startFont = CreateUiFont(screen.startHeight, FALSE, 0);
        for (const wchar_t *source : sources) {
            SizedFont fitted = {NULL, 0};
            std::wstring text;
            std::wstring all(source);
            for (size_t length = 1; length <= all.size() * 2; length++) {
                size_t shown = length <= all.size() ? length : all.size() * 2 - length + 1;
                text = all.substr(0, shown);
                int height =
                    FitTextHeight(dc, text.c_str(), startFont, screen.startHeight, screen.maxWidth, &fitted);
                ASSERT_EQ(HeightStepByStep(dc, text.c_str(), screen.startHeight, screen.maxWidth), height)
                    << "start " << screen.startHeight << ", width " << screen.maxWidth << ": " << Narrow(text);
                EXPECT_EQ(height, fitted.height);
                EXPECT_EQ(height == screen.startHeight, fitted.font == NULL);
                compared++;
                shrunk += height < screen.startHeight;
            }
            if (fitted.font)
                DeleteObject(fitted.font);
        }
        DeleteObject(startFont);
    }
    DeleteDC(dc);
    EXPECT_GT(shrunk, compared / 2) << "most of the texts are too wide for the start height";
}

class NumberFitPressTest : public ::testing::Test
{
  protected:
    HWND window = NULL;

    void SetUp() override
    {
        StartFreshDevice();
        SetSettingValue(L"exitOnMinimize", L"0");
        SetSettingValue(L"lastDialedNumber", L"");
    }
    void TearDown() override
    {
        if (realCreateFontIndirectW)
            RestoreImport(GetModuleHandleW(NULL), (void *)CountingCreateFontIndirectW,
                          (void *)realCreateFontIndirectW);
        realCreateFontIndirectW = NULL;
        if (window && IsWindow(window))
            DestroyWindow(window);
        PumpMessagesFor(20);
        UnregisterClassW(ZEMBRIK_CLASS_NAME, GetModuleHandleW(NULL));
        StartFreshDevice();
    }
    void CountFonts()
    {
        realCreateFontIndirectW = (decltype(&CreateFontIndirectW))HookImport(
            GetModuleHandleW(NULL), "gdi32.dll", "CreateFontIndirectW", (void *)CountingCreateFontIndirectW);
        ASSERT_TRUE(realCreateFontIndirectW != NULL);
    }
    // One key's command; returns the fonts it made.
    int Press(KeyCode key)
    {
        int before = fontsMade;
        SendMessageW(window, WM_COMMAND, CMD_KEY, key);
        return fontsMade - before;
    }
    int HeightAsBefore()
    {
        HDC dc = CreateCompatibleDC(NULL);
        int height =
            HeightStepByStep(dc, app.DisplayNumber, app.metrics.numberFontHeight, app.keypadAreaRect.right);
        DeleteDC(dc);
        return height;
    }
};

// Once the widths are learnt, after the first frame, typing 79 digits and
// erasing them again makes a font only where the height changes, one at a
// time, and shows each number at the height it always had.
TEST_F(NumberFitPressTest, APressMakesAtMostTheFontTheNumberIsShownIn)
{
    window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
    ASSERT_TRUE(window != NULL);
    PumpMessagesFor(600); // the idle ticks learn a height each
    CountFonts();
    const wchar_t digits[] = L"5551234567890123456789012345678901234567890123456789012345678901234567890123456";
    int changes = 0, heightBefore = app.fittedNumberHeight;
    for (int i = 0; digits[i]; i++) {
        int made = Press(digits[i]);
        bool changed = app.fittedNumberHeight != heightBefore;
        EXPECT_EQ(changed ? 1 : 0, made) << "press " << i + 1 << ": " << Narrow(app.DisplayNumber);
        ASSERT_EQ(HeightAsBefore(), app.fittedNumberHeight) << Narrow(app.DisplayNumber);
        changes += changed;
        heightBefore = app.fittedNumberHeight;
    }
    EXPECT_GE(changes, 10) << "the height went down step by step";
    for (int i = 0; app.DisplayNumber[0]; i++) {
        int made = Press(KEY_BACKSPACE);
        bool changed = app.fittedNumberHeight != heightBefore;
        // Back at the start height the font is numberFont itself.
        bool needsFont = changed && app.fittedNumberHeight != app.metrics.numberFontHeight;
        EXPECT_EQ(needsFont ? 1 : 0, made) << "erase " << i + 1 << ": " << Narrow(app.DisplayNumber);
        if (app.DisplayNumber[0]) {
            ASSERT_EQ(HeightAsBefore(), app.fittedNumberHeight) << Narrow(app.DisplayNumber);
        }
        heightBefore = app.fittedNumberHeight;
    }
}

// Learning is done a height per idle tick and ends: the timer stops.
TEST_F(NumberFitPressTest, TheIdleWorkEnds)
{
    window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
    ASSERT_TRUE(window != NULL);
    PumpMessagesFor(600);
    EXPECT_EQ(1, app.keyTonesPrepared);
    for (int height = app.metrics.numberFontHeight; height > 2; height -= 2)
        EXPECT_EQ(height, app.numberWidths[height / 2].height) << height;
    EXPECT_FALSE(LearnNumberWidths()) << "nothing is left to learn";
    // A tick after the end finds the timer gone.
    Sleep(3 * IDLE_WORK_TICK_MS);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, window, WM_TIMER, WM_TIMER, PM_NOREMOVE) &&
                 message.wParam == IDLE_WORK_TIMER_ID);
}
