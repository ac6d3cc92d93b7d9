// The default skin, built into the program (the build writes its pixels
// from skins/default.png), so that a skin file that is missing, broken or
// too big to load never leaves the keys and the tab strip blank.
#include "display/display.h"

#include "built_in_skin_pixels.inc"

HBITMAP CreateBuiltInSkin(void)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = BUILT_IN_SKIN_WIDTH;
    info.bmiHeader.biHeight = -BUILT_IN_SKIN_HEIGHT;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!bitmap || !bits)
        return bitmap;
    // A DIB's rows start on 4-byte boundaries; the copy's are packed.
    const int rowBytes = BUILT_IN_SKIN_WIDTH * 3;
    const int stride = (rowBytes + 3) & ~3;
    for (int y = 0; y < BUILT_IN_SKIN_HEIGHT; y++)
        memcpy((BYTE *)bits + y * stride, builtInSkinPixels + y * rowBytes, rowBytes);
    return bitmap;
}
