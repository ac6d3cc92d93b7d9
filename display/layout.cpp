// Geometry of the one full-screen window: metrics scaled to the screen
// density, the fonts, and every rectangle used for drawing and hit-testing.
#include <aygshell.h>

#include "base/text.h"
#include "display/display.h"
#include "settings/settings.h"

void ScaleMetricsForDpi(int dpi)
{
    app.metrics = BASE_LAYOUT_METRICS;
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

// The skin file's size and time; zero for a file that is not there.
static void ReadSkinFileStamp(WIN32_FILE_ATTRIBUTE_DATA *file)
{
    if (!GetFileAttributesExW(app.skinImagePath, GetFileExInfoStandard, file))
        ZeroMemory(file, sizeof(*file));
}

static bool SameSkinFile(const WIN32_FILE_ATTRIBUTE_DATA *a, const WIN32_FILE_ATTRIBUTE_DATA *b)
{
    return a->nFileSizeLow == b->nFileSizeLow && a->nFileSizeHigh == b->nFileSizeHigh &&
           a->ftLastWriteTime.dwLowDateTime == b->ftLastWriteTime.dwLowDateTime &&
           a->ftLastWriteTime.dwHighDateTime == b->ftLastWriteTime.dwHighDateTime;
}

// Puts the bitmap into the skin surface; the surfaces are then made anew,
// so that the keypad is drawn from it.
static void ShowSkin(HBITMAP bitmap)
{
    if (!app.skinSurface)
        app.skinSurface = CreateCompatibleDC(NULL);
    if (SelectObject(app.skinSurface, bitmap) != bitmap)
        app.surfaceSize.cx = app.surfaceSize.cy = 0;
}

// The skin is decoded on the first layout after the settings have named it
// (the window's creation lays it out before). A file that could not be
// loaded (missing, broken, too big) is decoded again only once it has
// changed, so that a re-layout costs next to nothing; meanwhile the keys
// are drawn from the default skin's copy in the program.
static void LoadSkin(void)
{
    if (app.SkinBitmap || !app.skinImagePath[0])
        return;
    // Read before the decoding: a file that changes while it is decoded
    // differs from this at the next layout.
    WIN32_FILE_ATTRIBUTE_DATA file;
    ReadSkinFileStamp(&file);
    if (!app.skinFileFailed || !SameSkinFile(&file, &app.failedSkinFile)) {
        app.SkinBitmap = SHLoadImageFile(app.skinImagePath);
        if (app.SkinBitmap) {
            app.skinFileFailed = 0;
            ShowSkin(app.SkinBitmap);
            return;
        }
        app.failedSkinFile = file;
        app.skinFileFailed = 1;
    }
    if (!app.builtInSkin)
        app.builtInSkin = CreateBuiltInSkin();
    ShowSkin(app.builtInSkin);
}

void LayOutWindow(HWND window)
{
    GetClientRect(window, &app.clientRect);
    LayoutRects rects;
    ComputeLayoutRects(&app.clientRect, &app.metrics, &rects);
    app.statusBarRect = rects.statusBar;
    app.serviceTitleRect = rects.serviceTitle;
    app.keypadAreaRect = rects.keypadArea;
    app.numberDisplayRect = rects.numberDisplay;
    app.tabStripRect = rects.tabStrip;
    memcpy(app.keyRects, rects.keys, sizeof(app.keyRects));
    FitNumberToDisplay();
    LoadSkin();
}

static void BuildSurfaces(HWND window)
{
    HDC windowDC = GetDC(window);
    int width = app.clientRect.right - app.clientRect.left;
    int height = app.clientRect.bottom - app.clientRect.top;
    app.surfaceSize.cx = app.surfaceSize.cy = 0;
    if (RebuildSurface(&app.backBuffer, windowDC, width, height) &&
        RebuildSurface(&app.keypadSurface, windowDC, width, height) &&
        RebuildSurface(&app.highlightSurface, windowDC, width, height)) {
        app.surfaceSize.cx = width;
        app.surfaceSize.cy = height;
        DrawKeypad(app.keypadSurface.dc);
    }
    ReleaseDC(window, windowDC);
}

// A start, a rotation or a frame change may resize the window more than
// once before its next paint; only the size that is painted gets surfaces.
void PrepareSurfaces(HWND window)
{
    int width = app.clientRect.right - app.clientRect.left;
    int height = app.clientRect.bottom - app.clientRect.top;
    if (!app.backBuffer.dc || app.surfaceSize.cx != width || app.surfaceSize.cy != height)
        BuildSurfaces(window);
}

void ComputeLayout(HWND window)
{
    LayOutWindow(window);
    BuildSurfaces(window);
}
