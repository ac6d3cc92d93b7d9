// Geometry of the one full-screen window: metrics scaled to the screen
// density, the fonts, and every rectangle used for drawing and hit-testing.
#include <aygshell.h>

#include "app/text.h"
#include "display/display.h"

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
