// Geometry of the one full-screen window: metrics scaled to the screen
// density, the fonts, and every rectangle used for drawing and hit-testing.
#include <aygshell.h>

#include "app/text.h"
#include "display/display.h"

enum KeyIndex {
    KEY_INDEX_ZERO = 9,
    KEY_INDEX_STAR = 10,
    KEY_INDEX_POUND = 11,
    KEY_INDEX_NEW_CONTACT = 12,
    KEY_INDEX_CALL = 13,
    KEY_INDEX_BACKSPACE = 14,
};

void ScaleLayoutMetrics(LayoutMetrics *metrics, int dpi)
{
    if (dpi <= 96)
        return;
    int *fields[] = {&metrics->tabStripHeight,  &metrics->statusBarHeight, &metrics->numberFontHeight,
                     &metrics->digitFontHeight, &metrics->smallFontHeight, &metrics->statusFontHeight,
                     &metrics->tabIconWidth,    &metrics->scaleUnit};
    for (int *field : fields)
        *field = MulDiv(*field, dpi, 96);
}

void ScaleMetricsForDpi(int dpi)
{
    ScaleLayoutMetrics(&app.metrics, dpi);
}

HFONT CreateUiFont(int height, BOOL bold, BYTE italic)
{
    LOGFONTW font;
    ZeroMemory(&font, sizeof(font));
    font.lfHeight = height;
    font.lfWeight = bold ? 600 : 500;
    font.lfItalic = italic;
    font.lfCharSet = EASTEUROPE_CHARSET;
    font.lfOutPrecision = OUT_RASTER_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = CLEARTYPE_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    TextCopy(font.lfFaceName, LF_FACESIZE, L"Tahoma");
    return CreateFontIndirectW(&font);
}

static void LayOutLandscapeKeys(const RECT *client, int y0, int yB, RECT *keys)
{
    int L = client->left, R = client->right;
    int c = (R - L) / 4;
    int x[5] = {L, L + c, L + 2 * c, L + 3 * c, R};
    int K = yB - y0;
    int p = K / 4;
    int y[5] = {y0, y0 + p, y0 + 2 * p, y0 + 3 * p, yB};
    static const int bottomRow[3] = {KEY_INDEX_STAR, KEY_INDEX_ZERO, KEY_INDEX_POUND};
    for (int row = 0; row < 4; row++) {
        for (int column = 0; column < 3; column++) {
            int index = row < 3 ? row * 3 + column : bottomRow[column];
            SetRect(&keys[index], x[column], y[row], x[column + 1], y[row + 1]);
        }
    }
    int s = K / 3;
    SetRect(&keys[KEY_INDEX_BACKSPACE], x[3], y0, R, y0 + s);
    SetRect(&keys[KEY_INDEX_CALL], x[3], y0 + s, R, yB - s);
    SetRect(&keys[KEY_INDEX_NEW_CONTACT], x[3], yB - s, R, yB);
}

static void LayOutPortraitKeys(const RECT *client, int y0, int yB, RECT *keys)
{
    int L = client->left, R = client->right;
    int third = (R - L) / 3;
    int x[4] = {L, L + third, R - third, R};
    int q = (yB - y0) / 5;
    int y[6] = {y0, y0 + q, y0 + 2 * q, y0 + 3 * q, y0 + 4 * q, yB};
    static const int lastRows[2][3] = {
        {KEY_INDEX_STAR, KEY_INDEX_ZERO, KEY_INDEX_POUND},
        {KEY_INDEX_NEW_CONTACT, KEY_INDEX_CALL, KEY_INDEX_BACKSPACE},
    };
    for (int row = 0; row < 5; row++) {
        for (int column = 0; column < 3; column++) {
            int index = row < 3 ? row * 3 + column : lastRows[row - 3][column];
            SetRect(&keys[index], x[column], y[row], x[column + 1], y[row + 1]);
        }
    }
}

void ComputeLayoutRects(const RECT *client, const LayoutMetrics *metrics, LayoutRects *rects)
{
    int L = client->left, T = client->top, R = client->right, B = client->bottom;
    int W = R - L, H = B - T;
    int sbH = metrics->statusBarHeight, tabH = metrics->tabStripHeight, u = metrics->scaleUnit;

    SetRect(&rects->statusBar, L, T, R, T + sbH);
    SetRect(&rects->serviceTitle, L + 20 * u, T, R / 2 - 20 * u, 2 * (T + sbH));
    SetRect(&rects->keypadArea, L, T + sbH, R, B - tabH);
    SetRect(&rects->tabStrip, L, B - tabH, R, B);
    int y0 = T + sbH + (W > H ? W : H) / 8;
    SetRect(&rects->numberDisplay, L, T + sbH, R, y0);
    int yB = B - tabH;
    if (B < R)
        LayOutLandscapeKeys(client, y0, yB, rects->keys);
    else
        LayOutPortraitKeys(client, y0, yB, rects->keys);
}

// Replaces a surface by a fresh one of the given size. The old bitmap is
// deleted only after the device context it was selected into. Returns
// false, leaving the rest alone, when an old handle cannot be deleted.
static bool RebuildSurface(Surface *surface, HDC windowDC, int width, int height)
{
    if (surface->dc && !DeleteDC(surface->dc))
        return false;
    surface->dc = CreateCompatibleDC(windowDC);
    if (surface->bitmap && !DeleteObject(surface->bitmap))
        return false;
    surface->bitmap = CreateCompatibleBitmap(windowDC, width, height);
    SelectObject(surface->dc, surface->bitmap);
    return true;
}

static void LoadSkinOnce(HDC windowDC)
{
    if (app.SkinBitmap)
        return;
    app.SkinBitmap = SHLoadImageFile(app.skinImagePath);
    if (!app.SkinBitmap)
        return;
    app.skinSurface = CreateCompatibleDC(windowDC);
    SelectObject(app.skinSurface, app.SkinBitmap);
}

void ComputeLayout(HWND window)
{
    HDC windowDC = GetDC(window);
    GetClientRect(window, &app.clientRect);
    LayoutRects rects;
    ComputeLayoutRects(&app.clientRect, &app.metrics, &rects);
    app.statusBarRect = rects.statusBar;
    app.serviceTitleRect = rects.serviceTitle;
    app.keypadAreaRect = rects.keypadArea;
    app.numberDisplayRect = rects.numberDisplay;
    app.tabStripRect = rects.tabStrip;
    memcpy(app.keyRects, rects.keys, sizeof(app.keyRects));

    int width = app.clientRect.right - app.clientRect.left;
    int height = app.clientRect.bottom - app.clientRect.top;
    if (RebuildSurface(&app.backBuffer, windowDC, width, height) &&
        RebuildSurface(&app.keypadSurface, windowDC, width, height) &&
        RebuildSurface(&app.highlightSurface, windowDC, width, height)) {
        LoadSkinOnce(windowDC);
        DrawKeypad(app.keypadSurface.dc);
        FitNumberToDisplay();
    }
    ReleaseDC(window, windowDC);
}
