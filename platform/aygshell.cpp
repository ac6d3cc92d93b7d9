// Desktop stand-ins for the device shell's full-screen control and image
// loading. The desktop has no phone taskbar or input-panel button to hide,
// so the requested state is recorded on the window, where any process can
// read it.
#include <aygshell.h>
#include <objbase.h>
#include <wincodec.h>

#define SHFS_SHOW_MASK (SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON)

// A phone's top-level window has no title bar or frame of its own (the
// shell's taskbar shows its title); on the desktop it would get both.
static void RemoveDesktopFrame(HWND window)
{
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    LONG_PTR bareStyle = style & ~(LONG_PTR)(WS_CAPTION | WS_THICKFRAME);
    LONG_PTR bareExStyle = exStyle & ~(LONG_PTR)(WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME);
    if (bareStyle == style && bareExStyle == exStyle)
        return;
    SetWindowLongPtrW(window, GWL_STYLE, bareStyle);
    SetWindowLongPtrW(window, GWL_EXSTYLE, bareExStyle);
    SetWindowPos(window, NULL, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

BOOL WINAPI SHFullScreen(HWND hwndRequester, DWORD dwState)
{
    if (!IsWindow(hwndRequester)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RemoveDesktopFrame(hwndRequester);
    DWORD state = (DWORD)(ULONG_PTR)GetPropW(hwndRequester, SHFULLSCREEN_STATE_PROPERTY);
    // Each show flag cancels its hide flag (the hide flag is the show flag
    // shifted left by one) and the other way round.
    for (DWORD show = SHFS_SHOWTASKBAR; show & SHFS_SHOW_MASK; show <<= 2) {
        DWORD hide = show << 1;
        if (dwState & show)
            state = (state & ~hide) | show;
        if (dwState & hide)
            state = (state & ~show) | hide;
    }
    return SetPropW(hwndRequester, SHFULLSCREEN_STATE_PROPERTY, (HANDLE)(ULONG_PTR)state);
}

// The phone decodes images with its imaging library; the desktop has WIC.
// The bitmap is a top-down 32-bit DIB section, which GDI selects and copies.
HBITMAP WINAPI SHLoadImageFile(LPCWSTR pszFileName)
{
    if (!pszFileName)
        return NULL;
    HRESULT comStarted = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    IWICImagingFactory *factory = NULL;
    IWICBitmapDecoder *decoder = NULL;
    IWICBitmapFrameDecode *frame = NULL;
    IWICFormatConverter *converter = NULL;
    HBITMAP bitmap = NULL;
    UINT width = 0, height = 0;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      (void **)&factory);
    if (SUCCEEDED(result))
        result = factory->CreateDecoderFromFilename(pszFileName, NULL, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                    &decoder);
    if (SUCCEEDED(result))
        result = decoder->GetFrame(0, &frame);
    if (SUCCEEDED(result))
        result = factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(result))
        result = converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, NULL, 0.0,
                                       WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(result))
        result = converter->GetSize(&width, &height);
    if (SUCCEEDED(result) && width > 0 && height > 0 && width < 0x8000 && height < 0x8000) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = (LONG)width;
        info.bmiHeader.biHeight = -(LONG)height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void *bits = NULL;
        bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        if (bitmap && FAILED(converter->CopyPixels(NULL, width * 4, width * height * 4, (BYTE *)bits))) {
            DeleteObject(bitmap);
            bitmap = NULL;
        }
    }
    if (converter)
        converter->Release();
    if (frame)
        frame->Release();
    if (decoder)
        decoder->Release();
    if (factory)
        factory->Release();
    if (SUCCEEDED(comStarted))
        CoUninitialize();
    return bitmap;
}
