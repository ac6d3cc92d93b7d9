// Painting: the keypad is drawn once per layout into its own surface; each
// paint composes the frame off-screen and copies only what needs repainting.
#include "base/text.h"
#include "app/keys.h"
#include "app/tabs.h"
#include "display/display.h"

#define NUMBER_WHITE RGB(255, 255, 255)
#define LABEL_GREY RGB(128, 128, 128)
#define HIGHLIGHT_FILL RGB(75, 90, 255)
#define DIGIT_TOP RGB(28, 35, 45)
#define DIGIT_BOTTOM RGB(14, 20, 32)
#define DIGIT_PRESSED_TOP RGB(75, 90, 181)
#define DIGIT_PRESSED_BOTTOM RGB(22, 39, 147)
#define BEVEL_DARK RGB(18, 22, 31)
#define BEVEL_LIGHT RGB(51, 57, 66)
#define HIGHLIGHT_ALPHA 128
#define WIDE_TEXT_OF(x) L##x
#define WIDE_TEXT(x) WIDE_TEXT_OF(x)
#define NUMBER_TEXT_OF(x) #x
#define NUMBER_TEXT(x) WIDE_TEXT(NUMBER_TEXT_OF(x))
// "Zembrik v0.4 - ": the project's version, major and minor.
#define TITLE_LINE                                                                                                   \
    L"Zembrik v" NUMBER_TEXT(ZEMBRIK_VERSION_MAJOR) L"." NUMBER_TEXT(ZEMBRIK_VERSION_MINOR) L" - www.orvendel.com"
// The tab icons' rows in the skin: each icon 48 by 40, plain above selected.
#define SKIN_TAB_TOP 40
#define SKIN_SELECTED_TAB_TOP 80
#define SKIN_TAB_WIDTH 48
#define SKIN_TAB_HEIGHT 40

struct KeyGradient {
    COLORREF c1, c2, c3, c4;
};

static const KeyGradient NumberDisplayGradient = {RGB(104, 124, 150), RGB(38, 66, 105), RGB(17, 46, 90),
                                                  RGB(10, 40, 81)};
static const KeyGradient CallKeyGradient = {RGB(155, 206, 150), RGB(64, 179, 60), RGB(31, 161, 25), RGB(39, 171, 30)};
static const KeyGradient DarkKeyGradient = {RGB(32, 48, 71), RGB(11, 28, 54), RGB(4, 24, 49), RGB(4, 24, 50)};


static TRIVERTEX Vertex(int x, int y, COLORREF colour)
{
    TRIVERTEX vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.Red = (COLOR16)(GetRValue(colour) << 8);
    vertex.Green = (COLOR16)(GetGValue(colour) << 8);
    vertex.Blue = (COLOR16)(GetBValue(colour) << 8);
    vertex.Alpha = 0;
    return vertex;
}

void DrawGradientButton(HDC dc, int left, int top, int right, int bottom, COLORREF c1, COLORREF c2, COLORREF c3,
                        COLORREF c4)
{
    int mid = top + (bottom - top) / 2;
    TRIVERTEX vertices[6] = {
        Vertex(left, top, c1),      Vertex(right, mid - 2, c2), Vertex(left, mid - 2, c2),
        Vertex(right, mid + 2, c3), Vertex(left, mid + 2, c3),  Vertex(right, bottom, c4),
    };
    GRADIENT_RECT bands[3] = {{0, 1}, {2, 3}, {4, 5}};
    GradientFill(dc, vertices, 6, bands, 3, GRADIENT_FILL_RECT_V);
}

static void DrawGradient(HDC dc, const RECT *rect, const KeyGradient *gradient)
{
    DrawGradientButton(dc, rect->left, rect->top, rect->right, rect->bottom, gradient->c1, gradient->c2, gradient->c3,
                       gradient->c4);
}

static void DrawLineWithPen(HDC dc, COLORREF colour, const POINT *points, int count)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, points[0].x, points[0].y, NULL);
    for (int i = 1; i < count; i++)
        LineTo(dc, points[i].x, points[i].y);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

static void DrawDigitKey(HDC dc, int left, int top, int right, int bottom, WCHAR digit, const WCHAR *letters)
{
    bool pressed = app.pressedKey == digit;
    TRIVERTEX vertices[2] = {Vertex(left, top, pressed ? DIGIT_PRESSED_TOP : DIGIT_TOP),
                             Vertex(right, bottom, pressed ? DIGIT_PRESSED_BOTTOM : DIGIT_BOTTOM)};
    GRADIENT_RECT band = {0, 1};
    GradientFill(dc, vertices, 2, &band, 1, GRADIENT_FILL_RECT_V);

    POINT dark[3] = {{left, bottom - 1}, {right - 1, bottom - 1}, {right - 1, top}};
    POINT light[3] = {{right - 1, top}, {left, top}, {left, bottom - 1}};
    DrawLineWithPen(dc, BEVEL_DARK, dark, 3);
    DrawLineWithPen(dc, BEVEL_LIGHT, light, 3);

    const LayoutMetrics *metrics = &app.metrics;
    HGDIOBJ previousFont = SelectObject(dc, app.digitFont);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetTextColor(dc, NUMBER_WHITE);
    SetBkMode(dc, TRANSPARENT);
    int x = left + (right - left) / 2;
    int y = top + ((bottom - top) - metrics->smallFontHeight - metrics->digitFontHeight) / 2;
    ExtTextOutW(dc, x, y, 0, NULL, &digit, 1, NULL);
    if (letters[0]) {
        SelectObject(dc, app.smallFont);
        SetTextColor(dc, LABEL_GREY);
        ExtTextOutW(dc, x, y + metrics->digitFontHeight / 2 + (2 * metrics->smallFontHeight) / 3, 0, NULL, letters,
                    (UINT)TextLength(letters), NULL);
    }
    SelectObject(dc, previousFont);
}

static void DrawNumberBackground(HDC dc, int left, int top, int right, int bottom)
{
    RECT rect = {left, top, right, bottom};
    DrawGradient(dc, &rect, &NumberDisplayGradient);
}

// Copies an icon of the skin, 16 units tall, centred on the key's height.
static void DrawKeyIcon(HDC dc, int left, int top, int bottom, int offsetX, int sourceX, int sourceY, int width)
{
    int u = app.metrics.scaleUnit;
    int y = top + ((bottom - top) - 16 * u) / 2 + u;
    StretchBlt(dc, left + offsetX * u, y, width * u, 16 * u, app.skinSurface, sourceX, sourceY, width, 16, SRCCOPY);
}

static void DrawNewContactKey(HDC dc, int left, int top, int right, int bottom)
{
    RECT rect = {left, top, right, bottom};
    DrawGradient(dc, &rect, &DarkKeyGradient);
    DrawKeyIcon(dc, left, top, bottom, 25, 25, 21, 27);
}

static void DrawBackspaceKey(HDC dc, int left, int top, int right, int bottom)
{
    RECT rect = {left, top, right, bottom};
    DrawGradient(dc, &rect, &DarkKeyGradient);
    DrawKeyIcon(dc, left, top, bottom, 27, 186, 21, 29);
}

static void DrawCallKey(HDC dc, int left, int top, int right, int bottom)
{
    RECT rect = {left, top, right, bottom};
    DrawGradient(dc, &rect, &CallKeyGradient);
    DrawKeyIcon(dc, left, top, bottom, 8, 86, 20, 21);
    HGDIOBJ previousFont = SelectObject(dc, app.digitFont);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetTextColor(dc, NUMBER_WHITE);
    SetBkMode(dc, TRANSPARENT);
    int x = left + (right - left + 21 * app.metrics.scaleUnit) / 2;
    int y = top + (bottom - top - app.metrics.digitFontHeight) / 2;
    ExtTextOutW(dc, x, y, 0, NULL, L"Call", 4, NULL);
    SelectObject(dc, previousFont);
}

// The keys in the order they are drawn, as indices of KeypadKeys: the bottom
// row of digits goes left to right, '*' before '0' before '#', unlike the
// table, where '0' follows '9'.
static const int KeyDrawingOrder[KEY_COUNT] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 11, 12, 13, 14};

void DrawKeypad(HDC dc)
{
    const RECT *display = &app.numberDisplayRect;
    DrawNumberBackground(dc, display->left, display->top, display->right, display->bottom);
    for (int drawn = 0; drawn < KEY_COUNT; drawn++) {
        int i = KeyDrawingOrder[drawn];
        const RECT *key = &app.keyRects[i];
        switch (KeypadKeys[i].code) {
        case KEY_NEW_CONTACT:
            DrawNewContactKey(dc, key->left, key->top, key->right, key->bottom);
            break;
        case KEY_CALL:
            DrawCallKey(dc, key->left, key->top, key->right, key->bottom);
            break;
        case KEY_BACKSPACE:
            DrawBackspaceKey(dc, key->left, key->top, key->right, key->bottom);
            break;
        default:
            DrawDigitKey(dc, key->left, key->top, key->right, key->bottom, (WCHAR)KeypadKeys[i].code,
                         KeypadKeys[i].letters);
            break;
        }
    }
}

static void BlendConstantAlpha(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                               int sourceY, int sourceWidth, int sourceHeight, BYTE alpha)
{
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, 0};
    AlphaBlend(destination, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, blend);
}

static void DrawNumber(HDC dc)
{
    const RECT *display = &app.numberDisplayRect;
    SetBkMode(dc, TRANSPARENT);
    if (app.DisplayNumber[0]) {
        SetTextColor(dc, app.numberEntryActive ? NUMBER_WHITE : LABEL_GREY);
        SetTextAlign(dc, TA_CENTER | TA_TOP);
        int height = app.fittedNumberHeight ? app.fittedNumberHeight : app.metrics.numberFontHeight;
        HGDIOBJ previousFont = SelectObject(dc, app.fittedNumberFont ? app.fittedNumberFont : app.numberFont);
        ExtTextOutW(dc, (display->left + display->right) / 2, (display->top + display->bottom - height) / 2, 0, NULL,
                    app.DisplayNumber, (UINT)TextLength(app.DisplayNumber), NULL);
        SelectObject(dc, previousFont);
    } else {
        HGDIOBJ previousFont = SelectObject(dc, app.smallFont);
        SetTextAlign(dc, TA_LEFT | TA_TOP);
        SetTextColor(dc, LABEL_GREY);
        ExtTextOutW(dc, display->left + 2, display->bottom - app.metrics.smallFontHeight - 2, 0, NULL, TITLE_LINE,
                    (UINT)TextLength(TITLE_LINE), NULL);
        SelectObject(dc, previousFont);
    }
}

// The tab under the pen shows selected while the pen is down; the strip's
// background is the skin's first column of the tab row, stretched.
static void DrawTabStrip(HDC dc)
{
    const RECT *strip = &app.tabStripRect;
    StretchBlt(dc, strip->left, strip->top, strip->right - strip->left, strip->bottom - strip->top, app.skinSurface, 0,
               SKIN_TAB_TOP, 1, SKIN_TAB_HEIGHT, SRCCOPY);
    if (app.penIsDown && PtInRect(strip, app.penPoint)) {
        int tab = TabIndexAt(strip, app.penPoint.x);
        if (tab >= 0)
            app.selectedTab = tab;
    }
    for (int tab = 0; tab < TAB_COUNT; tab++) {
        int sourceTop = tab == app.selectedTab ? SKIN_SELECTED_TAB_TOP : SKIN_TAB_TOP;
        StretchBlt(dc, TabIconLeft(strip, tab, app.metrics.tabIconWidth), strip->top, app.metrics.tabIconWidth,
                   app.metrics.tabStripHeight, app.skinSurface, TabStrip[tab].skinLeft, sourceTop, SKIN_TAB_WIDTH,
                   SKIN_TAB_HEIGHT, SRCCOPY);
    }
}

static bool HighlightShown(void)
{
    if (app.keyIsDown)
        return true;
    if (app.penIsDown && PtInRect(&app.keypadAreaRect, app.penPoint))
        return true;
    return app.penIsDown && PtInRect(&app.serviceTitleRect, app.penPoint) && app.serviceCount > 1;
}

static void DrawHighlight(void)
{
    const RECT *rect = &app.highlightRect;
    HBRUSH brush = CreateSolidBrush(HIGHLIGHT_FILL);
    FillRect(app.highlightSurface.dc, rect, brush);
    DeleteObject(brush);
    int width = rect->right - rect->left, height = rect->bottom - rect->top;
    BlendConstantAlpha(app.backBuffer.dc, rect->left, rect->top, width, height, app.highlightSurface.dc, rect->left,
                       rect->top, width, height, HIGHLIGHT_ALPHA);
}

LRESULT PaintMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    (void)lParam;
    PrepareSurfaces(window);
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(window, &paint);
    const RECT *P = &paint.rcPaint;
    HDC back = app.backBuffer.dc;
    const RECT *keypad = &app.keypadAreaRect;

    BitBlt(back, keypad->left, keypad->top, app.clientRect.right - app.clientRect.left, keypad->bottom - keypad->top,
           app.keypadSurface.dc, keypad->left, keypad->top, SRCCOPY);
    DrawNumber(back);
    if (app.siblingAppPresent && P->bottom > app.tabStripRect.top)
        DrawTabStrip(back);
    if (P->top < app.statusBarRect.bottom) {
        const RECT *bar = &app.statusBarRect;
        DrawStatusBar(back, bar->left, bar->top, bar->right, bar->bottom, app.skinSurface, app.statusFont,
                      app.serviceRecords[app.selectedService].title);
    }
    if (HighlightShown())
        DrawHighlight();
    BitBlt(screen, P->left, P->top, P->right - P->left, P->bottom - P->top, back, P->left, P->top, SRCCOPY);
    EndPaint(window, &paint);
    return 0;
}
