// What the screen shows, checked pixel by pixel. A probe skin paints every
// sprite region in its own colour, so a pixel tells which sprite landed there.
#include <gtest/gtest.h>

#include <string>

#include "app/keys.h"
#include "app/shell.h"
#include "display/display.h"
#include "support/import_hooks.h"
#include "support/test_support.h"

namespace
{

struct Region {
    int x, y, width, height;
    COLORREF colour;
};

// Distinct colours, none of them used by the program itself.
const Region ProbeRegions[] = {
    {0, 0, 240, 120, RGB(1, 1, 1)},       // everything else
    {0, 0, 20, 16, RGB(200, 0, 0)},       // signal lit
    {20, 0, 20, 16, RGB(100, 0, 0)},      // signal unlit
    {40, 0, 17, 16, RGB(0, 200, 0)},      // sound other
    {61, 0, 16, 16, RGB(0, 150, 0)},      // sound 0
    {84, 0, 17, 16, RGB(0, 100, 0)},      // sound 1
    {107, 0, 11, 16, RGB(0, 0, 200)},     // bluetooth bit 0
    {127, 0, 21, 16, RGB(0, 0, 150)},     // wifi
    {169, 0, 17, 16, RGB(0, 0, 100)},     // bluetooth bit 2
    {188, 0, 17, 16, RGB(200, 200, 0)},   // data
    {208, 0, 4, 16, RGB(0, 200, 200)},    // bar background
    {212, 0, 1, 1, RGB(250, 250, 250)},   // text colour
    {219, 0, 21, 16, RGB(200, 0, 200)},   // battery frame
    {220, 0, 1, 16, RGB(150, 0, 150)},    // battery fill column
    {236, 0, 1, 16, RGB(100, 0, 100)},    // battery empty column
    {25, 21, 27, 16, RGB(10, 200, 100)},  // new contact
    {86, 20, 21, 16, RGB(10, 100, 200)},  // call
    {186, 21, 29, 16, RGB(200, 100, 10)}, // backspace
    {0, 40, 240, 40, RGB(60, 60, 60)},    // tabs normal
    {0, 80, 240, 40, RGB(90, 90, 90)},    // tabs selected
};

enum {
    SIGNAL_LIT = RGB(200, 0, 0),
    SIGNAL_UNLIT = RGB(100, 0, 0),
    SOUND_OTHER = RGB(0, 200, 0),
    SOUND_ZERO = RGB(0, 150, 0),
    SOUND_ONE = RGB(0, 100, 0),
    BLUETOOTH_0 = RGB(0, 0, 200),
    WIFI = RGB(0, 0, 150),
    BLUETOOTH_2 = RGB(0, 0, 100),
    DATA = RGB(200, 200, 0),
    BAR = RGB(0, 200, 200),
    FRAME = RGB(200, 0, 200),
    FILL = RGB(150, 0, 150),
    EMPTY = RGB(100, 0, 100),
    NEW_CONTACT = RGB(10, 200, 100),
    CALL = RGB(10, 100, 200),
    BACKSPACE = RGB(200, 100, 10),
    TAB = RGB(60, 60, 60),
    TAB_SELECTED = RGB(90, 90, 90),
};

struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

Canvas MakeCanvas(int width, int height)
{
    Canvas canvas;
    HDC screen = GetDC(NULL);
    canvas.dc = CreateCompatibleDC(screen);
    canvas.bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(NULL, screen);
    canvas.previous = SelectObject(canvas.dc, canvas.bitmap);
    return canvas;
}

void FreeCanvas(Canvas *canvas)
{
    SelectObject(canvas->dc, canvas->previous);
    DeleteObject(canvas->bitmap);
    DeleteDC(canvas->dc);
}

Canvas MakeProbeSkin()
{
    Canvas skin = MakeCanvas(240, 120);
    for (const Region &region : ProbeRegions) {
        RECT rect = {region.x, region.y, region.x + region.width, region.y + region.height};
        HBRUSH brush = CreateSolidBrush(region.colour);
        FillRect(skin.dc, &rect, brush);
        DeleteObject(brush);
    }
    return skin;
}

// The colours along one row, as runs "colour from-to".
::testing::AssertionResult RunIs(HDC dc, int y, int from, int to, COLORREF colour)
{
    for (int x = from; x <= to; x++) {
        COLORREF got = GetPixel(dc, x, y);
        if (got != colour)
            return ::testing::AssertionFailure()
                   << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", not " << colour;
    }
    return ::testing::AssertionSuccess();
}

bool Near(COLORREF a, COLORREF b, int tolerance = 3)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class StatusBarPaintTest : public ::testing::Test
{
  protected:
    Canvas skin;
    void SetUp() override
    {
        ResetAppState();
        skin = MakeProbeSkin();
        DeviceStatus *status = &app.status;
        status->hasConnections = status->bluetoothBit2 = status->wifiBit1 = status->bluetoothBit0 = 1;
        status->soundModeOne = 1;
        status->signalLevel = 3;
        status->batteryLevel = 10;
    }
    void TearDown() override { FreeCanvas(&skin); }
};

} // namespace

TEST_F(StatusBarPaintTest, EverySpriteWhereItBelongsAtNormalDensity)
{
    Canvas bar = MakeCanvas(240, 16);
    DrawStatusBar(bar.dc, 0, 0, 240, 16, skin.dc, NULL, L"");
    int y = 15; // below any text
    EXPECT_TRUE(RunIs(bar.dc, y, 0, 11, SIGNAL_LIT));
    EXPECT_TRUE(RunIs(bar.dc, y, 12, 19, SIGNAL_UNLIT));
    EXPECT_TRUE(RunIs(bar.dc, y, 20, 120, BAR));
    EXPECT_TRUE(RunIs(bar.dc, y, 121, 137, DATA));
    EXPECT_TRUE(RunIs(bar.dc, y, 138, 140, BAR));
    EXPECT_TRUE(RunIs(bar.dc, y, 141, 161, WIFI));
    EXPECT_TRUE(RunIs(bar.dc, y, 165, 181, BLUETOOTH_2));
    EXPECT_TRUE(RunIs(bar.dc, y, 185, 195, BLUETOOTH_0));
    EXPECT_TRUE(RunIs(bar.dc, y, 199, 215, SOUND_ONE));
    EXPECT_TRUE(RunIs(bar.dc, y, 216, 218, BAR));
    EXPECT_TRUE(RunIs(bar.dc, y, 219, 219, FRAME));
    EXPECT_TRUE(RunIs(bar.dc, y, 220, 229, FILL));
    EXPECT_TRUE(RunIs(bar.dc, y, 230, 236, EMPTY));
    EXPECT_TRUE(RunIs(bar.dc, y, 237, 239, FRAME));
    FreeCanvas(&bar);
}

TEST_F(StatusBarPaintTest, DoubleDensityDoublesEveryWidth)
{
    Canvas bar = MakeCanvas(480, 32);
    DrawStatusBar(bar.dc, 0, 0, 480, 32, skin.dc, NULL, L"");
    int y = 31;
    EXPECT_TRUE(RunIs(bar.dc, y, 0, 23, SIGNAL_LIT));
    EXPECT_TRUE(RunIs(bar.dc, y, 24, 39, SIGNAL_UNLIT));
    EXPECT_TRUE(RunIs(bar.dc, y, 242, 275, DATA));
    EXPECT_TRUE(RunIs(bar.dc, y, 398, 431, SOUND_ONE));
    EXPECT_TRUE(RunIs(bar.dc, y, 438, 438, FRAME));
    EXPECT_TRUE(RunIs(bar.dc, y, 440, 459, FILL));
    EXPECT_TRUE(RunIs(bar.dc, y, 460, 473, EMPTY));
    FreeCanvas(&bar);
}

TEST_F(StatusBarPaintTest, At131DpiSpritesStretchInHeightOnly)
{
    Canvas bar = MakeCanvas(240, 22);
    DrawStatusBar(bar.dc, 0, 0, 240, 22, skin.dc, NULL, L"");
    EXPECT_TRUE(RunIs(bar.dc, 21, 0, 11, SIGNAL_LIT));
    EXPECT_TRUE(RunIs(bar.dc, 21, 199, 215, SOUND_ONE));
    EXPECT_TRUE(RunIs(bar.dc, 21, 220, 229, FILL));
    FreeCanvas(&bar);
}

TEST_F(StatusBarPaintTest, IconsCloseUpAndOverlargeValuesStayInTheirSprites)
{
    DeviceStatus *status = &app.status;
    status->bluetoothBit0 = status->bluetoothBit2 = status->wifiBit1 = 0;
    status->soundModeOne = 0;
    status->signalLevel = SignalLevelFromRaw(250);
    status->batteryLevel = 0;
    Canvas bar = MakeCanvas(240, 16);
    DrawStatusBar(bar.dc, 0, 0, 240, 16, skin.dc, NULL, L"");
    EXPECT_TRUE(RunIs(bar.dc, 15, 0, 19, SIGNAL_LIT)) << "five bars, never more";
    EXPECT_TRUE(RunIs(bar.dc, 15, 20, 21, BAR));
    EXPECT_TRUE(RunIs(bar.dc, 15, 199, 215, SOUND_OTHER));
    EXPECT_TRUE(RunIs(bar.dc, 15, 179, 195, DATA)) << "20 units left of the sound icon";
    EXPECT_TRUE(RunIs(bar.dc, 15, 220, 236, EMPTY));
    status->soundModeZero = 1;
    DrawStatusBar(bar.dc, 0, 0, 240, 16, skin.dc, NULL, L"");
    EXPECT_TRUE(RunIs(bar.dc, 15, 200, 215, SOUND_ZERO));
    FreeCanvas(&bar);
}

TEST_F(StatusBarPaintTest, TheTitleReplacesTheOperatorName)
{
    wcscpy(app.status.operatorName, L"WWWWWWWW");
    app.status.timeText[0] = 0;
    app.statusFont = CreateUiFont(13, FALSE, 0);
    Canvas withOperator = MakeCanvas(240, 16);
    Canvas withTitle = MakeCanvas(240, 16);
    DrawStatusBar(withOperator.dc, 0, 0, 240, 16, skin.dc, app.statusFont, L"");
    DrawStatusBar(withTitle.dc, 0, 0, 240, 16, skin.dc, app.statusFont, L"I");
    int operatorText = 0, titleText = 0;
    for (int x = 22; x < 110; x++) {
        for (int y = 1; y < 15; y++) {
            operatorText += GetPixel(withOperator.dc, x, y) != BAR;
            titleText += GetPixel(withTitle.dc, x, y) != BAR;
        }
    }
    EXPECT_GT(operatorText, 4 * titleText) << "the long operator name is not drawn under a short title";
    EXPECT_GT(titleText, 0);
    DeleteObject(app.statusFont);
    FreeCanvas(&withOperator);
    FreeCanvas(&withTitle);
}

TEST(KeypadPaint, GradientEnds)
{
    Canvas canvas = MakeCanvas(40, 40);
    DrawGradientButton(canvas.dc, 0, 0, 40, 40, RGB(104, 124, 150), RGB(38, 66, 105), RGB(17, 46, 90), RGB(10, 40, 81));
    EXPECT_TRUE(Near(RGB(104, 124, 150), GetPixel(canvas.dc, 20, 0)));
    EXPECT_TRUE(Near(RGB(10, 40, 81), GetPixel(canvas.dc, 20, 39), 4));
    EXPECT_TRUE(Near(RGB(38, 66, 105), GetPixel(canvas.dc, 20, 18), 6));
    FreeCanvas(&canvas);
}

TEST(KeypadPaint, ShrinkToFitStopsAtTheSmallestFontAndLeavesTheDeviceContextAsItWas)
{
    Canvas canvas = MakeCanvas(40, 40);
    HFONT font = CreateUiFont(32, FALSE, 0);
    HGDIOBJ previous = SelectObject(canvas.dc, font);
    SizedFont fitted = {NULL, 0};
    EXPECT_EQ(4, FitTextHeight(canvas.dc, L"5551234567", font, 32, 1, &fitted));
    EXPECT_EQ(4, fitted.height);
    EXPECT_TRUE(fitted.font != NULL);
    EXPECT_EQ(font, GetCurrentObject(canvas.dc, OBJ_FONT));
    EXPECT_EQ(3, FitTextHeight(canvas.dc, L"5551234567", font, 33, 1, &fitted));
    EXPECT_EQ(3, fitted.height);
    // A text that fits at the start height needs no font of its own, and
    // the one held before is given up.
    EXPECT_EQ(32, FitTextHeight(canvas.dc, L"5", font, 32, 240, &fitted));
    EXPECT_TRUE(fitted.font == NULL);
    EXPECT_EQ(font, GetCurrentObject(canvas.dc, OBJ_FONT));
    SelectObject(canvas.dc, previous);
    DeleteObject(font);
    FreeCanvas(&canvas);
}

class ScreenPaintTest : public ::testing::Test
{
  protected:
    HWND window = NULL;
    Canvas skin;

    void SetUp() override
    {
        StartFreshDevice();
        SetSettingValue(L"exitOnMinimize", L"0");
        SetSettingValue(L"lastDialedNumber", L"5551234");
        skin = MakeProbeSkin();
    }
    void Start()
    {
        window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
        ASSERT_TRUE(window != NULL);
        PumpMessagesFor(50);
        ASSERT_EQ(240, app.clientRect.right) << "the tests' screen is a QVGA phone's";
        ASSERT_EQ(320, app.clientRect.bottom);
        // From now on: the probe skin, and the tab strip of a phone that has
        // the companion program, as in the layouts the numbers below are from.
        app.skinSurface = skin.dc;
        app.siblingAppPresent = 1;
        app.metrics.tabStripHeight = 40;
        ComputeLayout(window);
    }
    void TearDown() override
    {
        if (window && IsWindow(window))
            DestroyWindow(window);
        PumpMessagesFor(20);
        UnregisterClassW(ZEMBRIK_CLASS_NAME, GetModuleHandleW(NULL));
        FreeCanvas(&skin);
        StartFreshDevice();
    }
    void Repaint(const RECT *rect)
    {
        InvalidateRect(window, rect, FALSE);
        UpdateWindow(window);
    }
    int CountPixels(const RECT &area, COLORREF colour)
    {
        int count = 0;
        for (int y = area.top; y < area.bottom; y++)
            for (int x = area.left; x < area.right; x++)
                count += GetPixel(app.backBuffer.dc, x, y) == colour;
        return count;
    }
};

TEST_F(ScreenPaintTest, KeysAndIconsLandOnTheGrid)
{
    Start();
    HDC keypad = app.keypadSurface.dc;
    // Key '5' (80, 100, 160, 144): bevel, and the gradient inside.
    EXPECT_EQ(RGB(18, 22, 31), GetPixel(keypad, 100, 143));
    EXPECT_EQ(RGB(18, 22, 31), GetPixel(keypad, 159, 120));
    EXPECT_EQ(RGB(51, 57, 66), GetPixel(keypad, 80, 120));
    EXPECT_EQ(RGB(51, 57, 66), GetPixel(keypad, 100, 100));
    EXPECT_TRUE(Near(RGB(28, 35, 45), GetPixel(keypad, 84, 101), 2));
    EXPECT_TRUE(Near(RGB(14, 20, 32), GetPixel(keypad, 84, 142), 2));
    // Icons of the bottom row, each 16 tall from y 249.
    EXPECT_TRUE(RunIs(keypad, 249, 25, 51, NEW_CONTACT));
    EXPECT_NE(NEW_CONTACT, GetPixel(keypad, 24, 249));
    EXPECT_TRUE(RunIs(keypad, 264, 88, 108, CALL));
    EXPECT_TRUE(RunIs(keypad, 249, 187, 215, BACKSPACE));
    EXPECT_NE(BACKSPACE, GetPixel(keypad, 187, 248));
    // The number display's gradient, top and bottom.
    EXPECT_TRUE(Near(RGB(104, 124, 150), GetPixel(keypad, 3, 16)));
    EXPECT_TRUE(Near(RGB(10, 40, 81), GetPixel(keypad, 3, 55), 4));
}

TEST_F(ScreenPaintTest, LastDialledNumberIsGreyTypedNumberWhite)
{
    Start();
    Repaint(&app.clientRect);
    EXPECT_GT(CountPixels(app.numberDisplayRect, RGB(128, 128, 128)), 20);
    EXPECT_EQ(0, CountPixels(app.numberDisplayRect, RGB(255, 255, 255)));
    PostMessageW(window, WM_COMMAND, CMD_KEY, L'7');
    PumpMessagesFor(50);
    EXPECT_GT(CountPixels(app.numberDisplayRect, RGB(255, 255, 255)), 20);
}

TEST_F(ScreenPaintTest, EmptyNumberShowsTheTitleLineAtTheBottomLeft)
{
    Start();
    PostMessageW(window, WM_COMMAND, CMD_CLEAR, 0);
    PumpMessagesFor(50);
    RECT titleLine = {0, 56 - 12 - 2, 120, 56};
    RECT rightHalfTop = {120, 16, 240, 40};
    EXPECT_GT(CountPixels(titleLine, RGB(128, 128, 128)), 20);
    EXPECT_EQ(0, CountPixels(rightHalfTop, RGB(128, 128, 128)));
}

TEST_F(ScreenPaintTest, PressedKeyIsTintedHalfWayToTheHighlight)
{
    Start();
    RECT key = app.keyRects[4];
    app.penIsDown = 1;
    app.penPoint = {key.left + 3, key.top + 3};
    app.highlightRect = key;
    Repaint(&key);
    COLORREF under = GetPixel(app.keypadSurface.dc, key.left + 3, key.top + 3);
    COLORREF tinted = GetPixel(app.backBuffer.dc, key.left + 3, key.top + 3);
    COLORREF halfWay = RGB((GetRValue(under) + 75) / 2, (GetGValue(under) + 90) / 2, (GetBValue(under) + 255) / 2);
    EXPECT_TRUE(Near(halfWay, tinted, 3)) << std::hex << tinted << " vs " << halfWay;

    // The pen on the status bar outside the service title draws no tint.
    app.penPoint = {200, 5};
    app.highlightRect = app.statusBarRect;
    Repaint(&app.clientRect);
    EXPECT_EQ(under, GetPixel(app.backBuffer.dc, key.left + 3, key.top + 3));
}

TEST_F(ScreenPaintTest, APaintInsideTheKeysLeavesStatusBarAndTabsAlone)
{
    Start();
    Repaint(&app.clientRect);
    EXPECT_EQ(TAB, GetPixel(app.backBuffer.dc, 5, 300)) << "tab 0 icon starts at x 0";
    EXPECT_EQ(TAB_SELECTED, GetPixel(app.backBuffer.dc, 150, 300)) << "the keypad tab is selected";

    RECT sentinel = {0, 0, 240, 16};
    FillRect(app.backBuffer.dc, &sentinel, (HBRUSH)GetStockObject(WHITE_BRUSH));
    app.penIsDown = 1;
    app.penPoint = {10, 300};
    RECT inside = app.keyRects[4];
    Repaint(&inside);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(app.backBuffer.dc, 100, 15));
    EXPECT_EQ(KEYPAD_TAB, app.selectedTab);

    Repaint(&app.tabStripRect);
    EXPECT_EQ(0, app.selectedTab) << "the tab under the pen";
    EXPECT_EQ(TAB_SELECTED, GetPixel(app.backBuffer.dc, 5, 300));
}

TEST_F(ScreenPaintTest, ALayoutAtTheSameSizeGivesTheSameRectanglesAndFreshSurfaces)
{
    Start();
    ASSERT_TRUE(app.SkinBitmap != NULL) << "the build puts default.png beside the tests";
    RECT keys[KEY_COUNT];
    memcpy(keys, app.keyRects, sizeof(keys));
    HBITMAP skinBitmap = app.SkinBitmap;
    HDC backBuffer = app.backBuffer.dc;
    ComputeLayout(window);
    EXPECT_EQ(0, memcmp(keys, app.keyRects, sizeof(keys)));
    EXPECT_EQ(skinBitmap, app.SkinBitmap) << "the skin is loaded once";
    EXPECT_NE(backBuffer, app.backBuffer.dc) << "the surfaces are made anew";
    EXPECT_TRUE(app.keypadSurface.dc != NULL && app.highlightSurface.dc != NULL);
}

namespace
{

decltype(&GradientFill) realGradientFill;
std::vector<POINT> gradientCorners;

BOOL WINAPI RecordingGradientFill(HDC dc, PTRIVERTEX vertices, ULONG count, PVOID mesh, ULONG meshCount, ULONG mode)
{
    if (count > 0)
        gradientCorners.push_back({vertices[0].x, vertices[0].y});
    return realGradientFill(dc, vertices, count, mesh, meshCount, mode);
}

} // namespace

// Every key's face starts with a gradient from its top-left corner: the
// corners in the order they are filled give the order the keys are drawn in.
TEST_F(ScreenPaintTest, KeysAreDrawnRowByRowWithStarZeroHashLast)
{
    Start();
    HMODULE self = GetModuleHandleW(NULL);
    realGradientFill = (decltype(&GradientFill))HookImport(self, "msimg32.dll", "GradientFill",
                                                           (void *)RecordingGradientFill);
    ASSERT_TRUE(realGradientFill != NULL);
    gradientCorners.clear();
    DrawKeypad(app.keypadSurface.dc);
    RestoreImport(self, (void *)RecordingGradientFill, (void *)realGradientFill);
    std::wstring drawn;
    for (const POINT &corner : gradientCorners) {
        for (int i = 0; i < KEY_COUNT; i++) {
            bool atCorner = app.keyRects[i].left == corner.x && app.keyRects[i].top == corner.y;
            WCHAR code = (WCHAR)KeypadKeys[i].code;
            if (atCorner && (drawn.empty() || drawn.back() != code))
                drawn.push_back(code);
        }
    }
    const WCHAR expected[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '*', '0', '#',
                              KEY_NEW_CONTACT, KEY_CALL, KEY_BACKSPACE, 0};
    EXPECT_EQ(std::wstring(expected), drawn);
}

// A skin file that cannot be loaded (missing, broken, too big) leaves no
// key blank: the keys and the tabs are drawn from the default skin's copy in
// the program, as from the default skin's file. The file is decoded again
// only once it has changed: a card being mounted, a file being copied.
TEST_F(ScreenPaintTest, ASkinThatCannotBeLoadedIsDrawnBuiltInUntilItsFileChanges)
{
    const std::wstring late = ExecutableFolder() + L"late-skin.png";
    std::string png = ReadFileBytes(ExecutableFolder() + L"default.png");
    ASSERT_GT(png.size(), 24u);
    std::string broken = png;
    broken.replace(16, 4, 4, '\0'); // the header's width: none
    WriteFileBytes(late, broken);
    SetSettingValue(L"skin", L"late-skin");
    window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
    ASSERT_TRUE(window != NULL);
    app.siblingAppPresent = 1;
    app.metrics.tabStripHeight = 40;
    auto relayOutAndShow = [&] {
        SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(app.clientRect.right, app.clientRect.bottom));
        Repaint(NULL);
        return ScreenPixels({0, app.statusBarRect.bottom, app.clientRect.right, app.clientRect.bottom});
    };
    std::vector<DWORD> builtIn = relayOutAndShow();
    ASSERT_TRUE(app.SkinBitmap == NULL);

    FILETIME written;
    HANDLE file = CreateFileW(late.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_TRUE(GetFileTime(file, NULL, NULL, &written));
    CloseHandle(file);
    WriteFileBytes(late, png);
    file = CreateFileW(late.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_TRUE(SetFileTime(file, NULL, NULL, &written));
    relayOutAndShow();
    EXPECT_TRUE(app.SkinBitmap == NULL) << "decoded again although its size and time are as they were";

    written.dwLowDateTime += 10000000;
    ASSERT_TRUE(SetFileTime(file, NULL, NULL, &written));
    CloseHandle(file);
    std::vector<DWORD> fromFile = relayOutAndShow();
    EXPECT_TRUE(app.SkinBitmap != NULL) << "a changed file is loaded at the next layout";
    EXPECT_TRUE(builtIn == fromFile) << "the built-in copy draws the keys and tabs as the default skin's file does";
    DestroyWindow(window);
    window = NULL;
    DeleteFileW(late.c_str());
}

namespace
{

// The number as every paint drew it before the fitted height was kept: the
// font shrunk two units a step, with a font made and deleted for each step.
int PaintNumberAsBefore(HDC dc, const WCHAR *text, COLORREF colour)
{
    const RECT *display = &app.numberDisplayRect;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    HGDIOBJ previous = SelectObject(dc, app.numberFont);
    int height = app.metrics.numberFontHeight;
    HFONT made = NULL;
    RECT measure = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &measure, DT_CALCRECT);
    while (measure.right > app.keypadAreaRect.right && height > 4) {
        height -= 2;
        HFONT font = CreateUiFont(height, FALSE, 0);
        SelectObject(dc, font);
        if (made)
            DeleteObject(made);
        made = font;
        measure.right = measure.bottom = 0;
        DrawTextW(dc, text, -1, &measure, DT_CALCRECT);
    }
    ExtTextOutW(dc, (display->left + display->right) / 2, (display->top + display->bottom - height) / 2, 0, NULL, text,
                (UINT)wcslen(text), NULL);
    SelectObject(dc, previous);
    if (made)
        DeleteObject(made);
    return height;
}

int fontsMade = 0;
int fontsDeleted = 0;
decltype(&CreateFontIndirectW) realCreateFontIndirectW = NULL;
decltype(&DeleteObject) realDeleteObject = NULL;

HFONT WINAPI CountingCreateFontIndirectW(const LOGFONTW *font)
{
    fontsMade++;
    return realCreateFontIndirectW(font);
}

BOOL WINAPI CountingDeleteObject(HGDIOBJ object)
{
    if (GetObjectType(object) == OBJ_FONT)
        fontsDeleted++;
    return realDeleteObject(object);
}

// The tests' screen is a QVGA phone's; a VGA phone's window is let grow past it.
LRESULT CALLBACK LargerThanTheScreen(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETMINMAXINFO) {
        MINMAXINFO *limits = (MINMAXINFO *)lParam;
        limits->ptMaxTrackSize.x = limits->ptMaxSize.x = 2000;
        limits->ptMaxTrackSize.y = limits->ptMaxSize.y = 2000;
        return 0;
    }
    return MainWndProc(window, message, wParam, lParam);
}

class LongNumberPaintTest : public ScreenPaintTest
{
  protected:
    void Type(const wchar_t *digits)
    {
        for (const wchar_t *digit = digits; *digit; digit++)
            PostMessageW(window, WM_COMMAND, CMD_KEY, *digit);
        PumpMessagesFor(50);
    }
    void Erase(int count)
    {
        for (int i = 0; i < count; i++)
            PostMessageW(window, WM_COMMAND, CMD_KEY, KEY_BACKSPACE);
        PumpMessagesFor(50);
    }
    // A VGA phone: the metrics as a 192 dpi screen scales them, the fonts
    // made from them, and a 480 x 640 client area.
    void MoveToDoubleDensity()
    {
        ScaleMetricsForDpi(192);
        app.numberFont = CreateUiFont(app.metrics.numberFontHeight, FALSE, 0);
        app.digitFont = CreateUiFont(app.metrics.digitFontHeight, TRUE, 0);
        app.statusFont = CreateUiFont(app.metrics.statusFontHeight, FALSE, 0);
        app.smallFont = CreateUiFont(app.metrics.smallFontHeight, FALSE, 0);
        SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)LargerThanTheScreen);
        MoveWindow(window, 0, 0, 480, 640, FALSE);
        ComputeLayout(window);
        ASSERT_EQ(480, app.clientRect.right);
        ASSERT_EQ(640, app.clientRect.bottom);
    }
    // Paints the whole window and compares the number display, pixel by
    // pixel, with the same number drawn the way it always was.
    void ExpectTheNumberAsBefore(bool shrunk)
    {
        Repaint(&app.clientRect);
        int width = app.clientRect.right, height = app.clientRect.bottom;
        Canvas reference = MakeCanvas(width, height);
        BitBlt(reference.dc, 0, 0, width, height, app.keypadSurface.dc, 0, 0, SRCCOPY);
        int fitted = PaintNumberAsBefore(reference.dc, app.DisplayNumber, RGB(255, 255, 255));
        if (shrunk)
            EXPECT_LT(fitted, app.metrics.numberFontHeight) << "the number needs a smaller font";
        else
            EXPECT_EQ(fitted, app.metrics.numberFontHeight);
        const RECT &display = app.numberDisplayRect;
        int differing = 0, text = 0;
        for (int y = display.top; y < display.bottom; y++) {
            for (int x = display.left; x < display.right; x++) {
                COLORREF painted = GetPixel(app.backBuffer.dc, x, y);
                differing += painted != GetPixel(reference.dc, x, y);
                text += painted == RGB(255, 255, 255);
            }
        }
        EXPECT_EQ(0, differing) << "pixels unlike the old paint of " << Narrow(app.DisplayNumber);
        EXPECT_GT(text, 20) << "the number is drawn at all";
        FreeCanvas(&reference);
    }
};

const wchar_t TwentyDigits[] = L"12345678901234567890";
const wchar_t SeventyNineDigits[] =
    L"1234567890123456789012345678901234567890123456789012345678901234567890123456789";

} // namespace

TEST_F(LongNumberPaintTest, ShrunkNumbersKeepTheirPixelsAtNormalDensity)
{
    Start();
    Type(L"555");
    ExpectTheNumberAsBefore(false);
    Type(TwentyDigits);
    ExpectTheNumberAsBefore(true);
    Erase(3 + 20);
    Type(SeventyNineDigits);
    ExpectTheNumberAsBefore(true);
    Erase(70);
    ExpectTheNumberAsBefore(false);
}

TEST_F(LongNumberPaintTest, ShrunkNumbersKeepTheirPixelsAtDoubleDensity)
{
    Start();
    MoveToDoubleDensity();
    Type(L"555");
    ExpectTheNumberAsBefore(false);
    Type(TwentyDigits);
    ExpectTheNumberAsBefore(true);
    Erase(3 + 20);
    Type(SeventyNineDigits);
    ExpectTheNumberAsBefore(true);
}

TEST_F(LongNumberPaintTest, APaintMakesAndDeletesNoFont)
{
    Start();
    Type(SeventyNineDigits);
    HMODULE self = GetModuleHandleW(NULL);
    realCreateFontIndirectW =
        (decltype(&CreateFontIndirectW))HookImport(self, "gdi32.dll", "CreateFontIndirectW", (void *)CountingCreateFontIndirectW);
    realDeleteObject = (decltype(&DeleteObject))HookImport(self, "gdi32.dll", "DeleteObject", (void *)CountingDeleteObject);
    ASSERT_TRUE(realCreateFontIndirectW != NULL && realDeleteObject != NULL);
    fontsMade = fontsDeleted = 0;
    for (int i = 0; i < 5; i++)
        Repaint(&app.clientRect);
    int madeInPaints = fontsMade, deletedInPaints = fontsDeleted;
    // A press that keeps the fitted height keeps the fitted font too.
    HFONT fitted = app.fittedNumberFont;
    int height = app.fittedNumberHeight;
    Erase(1);
    RestoreImport(self, (void *)CountingCreateFontIndirectW, (void *)realCreateFontIndirectW);
    RestoreImport(self, (void *)CountingDeleteObject, (void *)realDeleteObject);
    EXPECT_EQ(0, madeInPaints);
    EXPECT_EQ(0, deletedInPaints);
    ASSERT_EQ(height, app.fittedNumberHeight) << "78 digits need the smallest font as 79 do";
    EXPECT_EQ(fitted, app.fittedNumberFont);
}

TEST_F(LongNumberPaintTest, ALastNumberTooWideAtStartIsFittedBeforeTheFirstPaint)
{
    SetSettingValue(L"lastDialedNumber", SeventyNineDigits);
    window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
    ASSERT_TRUE(window != NULL);
    // Fitted while the window had no surfaces yet, and painted with that.
    int atStart = app.fittedNumberHeight;
    HFONT fontAtStart = app.fittedNumberFont;
    EXPECT_LT(atStart, app.metrics.numberFontHeight) << "79 digits do not fit at the full height";
    EXPECT_TRUE(fontAtStart != NULL);
    ComputeLayout(window);
    EXPECT_EQ(atStart, app.fittedNumberHeight) << "measured on the surfaces, the height is the same";
    EXPECT_EQ(fontAtStart, app.fittedNumberFont) << "the same height keeps its font";
}

TEST_F(ScreenPaintTest, SizesThatAreNeverPaintedGetNoSurfaces)
{
    Start();
    HDC before = app.backBuffer.dc;
    // Two sizes in a row, as a start or a rotation goes through them before
    // the window is painted again.
    SetWindowPos(window, NULL, 0, 0, 240, 180, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    EXPECT_EQ(180, app.clientRect.bottom) << "the rectangles follow the size at once, for the pen";
    EXPECT_LT(app.keyRects[KeyIndexOf(KEY_CALL)].bottom, 181);
    SetWindowPos(window, NULL, 0, 0, 240, 200, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    EXPECT_EQ(before, app.backBuffer.dc) << "no surfaces before the paint";
    UpdateWindow(window);
    ASSERT_NE(before, app.backBuffer.dc) << "the paint of the new size made them";
    BITMAP made;
    ASSERT_TRUE(GetObjectW(app.backBuffer.bitmap, sizeof(made), &made));
    EXPECT_EQ(240, made.bmWidth);
    EXPECT_EQ(200, made.bmHeight);
    HDC painted = app.backBuffer.dc;
    InvalidateRect(window, NULL, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(painted, app.backBuffer.dc) << "a paint at the same size keeps them";
}
