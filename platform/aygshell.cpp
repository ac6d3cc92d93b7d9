// Desktop stand-ins for the device shell's full-screen control, image
// loading and tap-and-hold. The desktop has no phone taskbar or input-panel
// button to hide, so the requested state is recorded on the window, where
// any process can read it.
#include <aygshell.h>
#include <objbase.h>
#include <wincodec.h>

#include <math.h>
#include <stdlib.h>

#include "platform/image_bounds.h"

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
// A decoder believes the size a file declares and allocates for it, so a
// file is read whole and measured first (platform/image_bounds.h), and only
// a file within the bounds reaches one. The bitmap is a top-down 32-bit DIB
// section, which GDI selects and copies.

// The whole file, or NULL when it cannot be read or is larger than any
// image the loader takes (then it is not read at all). The caller frees it.
static unsigned char *ReadImageFile(LPCWSTR path, DWORD *size)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    LARGE_INTEGER length;
    unsigned char *bytes = NULL;
    if (GetFileSizeEx(file, &length) && length.QuadPart > 0 && (ULONGLONG)length.QuadPart <= IMAGE_FILE_LIMIT)
        bytes = (unsigned char *)malloc((size_t)length.QuadPart);
    *size = 0;
    // A file that changed size meanwhile is not the one measured.
    if (bytes && (!ReadFile(file, bytes, (DWORD)length.QuadPart, size, NULL) || *size != length.QuadPart)) {
        free(bytes);
        bytes = NULL;
    }
    CloseHandle(file);
    return bytes;
}

static const GUID &ContainerFormat(ImageFormat format)
{
    switch (format) {
    case IMAGE_FORMAT_BMP:
        return GUID_ContainerFormatBmp;
    case IMAGE_FORMAT_JPEG:
        return GUID_ContainerFormatJpeg;
    case IMAGE_FORMAT_GIF:
        return GUID_ContainerFormatGif;
    default:
        return GUID_ContainerFormatPng;
    }
}

// The converted pixels into a new DIB section; NULL (and nothing left
// behind) when the copy fails.
static HBITMAP CopyToBitmap(IWICBitmapSource *source, UINT width, UINT height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = (LONG)width;
    info.bmiHeader.biHeight = -(LONG)height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap && FAILED(source->CopyPixels(NULL, width * 4, width * height * 4, (BYTE *)bits))) {
        DeleteObject(bitmap);
        bitmap = NULL;
    }
    return bitmap;
}

// The measured format's own decoder, over the very bytes measured (not
// the file again, nor a decoder chosen by sniffing): a file changed since
// it was read, or another decoder that claims it, cannot slip past the
// measure. The bytes must outlive the stream, released here.
static HBITMAP DecodeImage(IWICImagingFactory *factory, unsigned char *bytes, DWORD size, ImageFormat format)
{
    IWICStream *stream = NULL;
    IWICBitmapDecoder *decoder = NULL;
    IWICBitmapFrameDecode *frame = NULL;
    IWICFormatConverter *converter = NULL;
    HBITMAP bitmap = NULL;
    UINT width = 0, height = 0, convertedWidth = 0, convertedHeight = 0;
    HRESULT result = factory->CreateStream(&stream);
    if (SUCCEEDED(result))
        result = stream->InitializeFromMemory(bytes, size);
    if (SUCCEEDED(result))
        result = factory->CreateDecoder(ContainerFormat(format), NULL, &decoder);
    // Wine's PNG decoder leaks a pointer per row of a file it fails to
    // open (at most 32 KB within the bounds): the dialer does not hand it a
    // skin file that failed again until the file changes.
    if (SUCCEEDED(result))
        result = decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand);
    if (SUCCEEDED(result))
        result = decoder->GetFrame(0, &frame);
    // The decoder's own idea of the size is held to the bounds too, before
    // anything is converted or copied.
    if (SUCCEEDED(result))
        result = frame->GetSize(&width, &height);
    if (SUCCEEDED(result) && CheckImageSize(width, height, IMAGE_SIDE_LIMIT, IMAGE_PIXEL_LIMIT) != IMAGE_ACCEPTED)
        result = WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    if (SUCCEEDED(result))
        result = factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(result))
        result = converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, NULL, 0.0,
                                       WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(result))
        result = converter->GetSize(&convertedWidth, &convertedHeight);
    if (SUCCEEDED(result) && convertedWidth == width && convertedHeight == height)
        bitmap = CopyToBitmap(converter, width, height);
    if (converter)
        converter->Release();
    if (frame)
        frame->Release();
    if (decoder)
        decoder->Release();
    if (stream)
        stream->Release();
    return bitmap;
}

HBITMAP WINAPI SHLoadImageFile(LPCWSTR pszFileName)
{
    if (!pszFileName)
        return NULL;
    DWORD size = 0;
    unsigned char *bytes = ReadImageFile(pszFileName, &size);
    if (!bytes)
        return NULL;
    MeasuredImage image;
    HBITMAP bitmap = NULL;
    if (CheckImageBounds(bytes, size, IMAGE_SIDE_LIMIT, IMAGE_PIXEL_LIMIT, &image) != IMAGE_ACCEPTED) {
        free(bytes);
        SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    HRESULT comStarted = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    IWICImagingFactory *factory = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   (void **)&factory))) {
        bitmap = DecodeImage(factory, bytes, size, image.format);
        factory->Release();
    }
    if (SUCCEEDED(comStarted))
        CoUninitialize();
    free(bytes);
    return bitmap;
}

// The hold is recognised about half a second after the press: the caller
// asks 100 ms after it, and the rest is waited here.
#define GESTURE_WAIT_MS 400
#define FEEDBACK_DOTS 8
#define FEEDBACK_RADIUS 14

static bool ReleasedMeanwhile(HWND window, POINT down)
{
    MSG message;
    if (PeekMessageW(&message, window, WM_LBUTTONUP, WM_LBUTTONUP, PM_NOREMOVE) ||
        PeekMessageW(&message, window, WM_KEYUP, WM_KEYUP, PM_NOREMOVE))
        return true;
    if (PeekMessageW(&message, window, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE)) {
        int dx = (short)LOWORD(message.lParam) - down.x;
        int dy = (short)HIWORD(message.lParam) - down.y;
        return abs(dx) > GetSystemMetrics(SM_CXDRAG) || abs(dy) > GetSystemMetrics(SM_CYDRAG);
    }
    return false;
}

// A ring of dots that fills up while the hold is being recognised.
static void DrawHoldFeedback(HWND window, POINT centre, int dots)
{
    HDC dc = GetDC(window);
    HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
    HGDIOBJ previous = SelectObject(dc, brush);
    for (int i = 0; i < dots; i++) {
        double angle = 6.2831853 * i / FEEDBACK_DOTS - 1.5707963;
        int x = centre.x + (int)(FEEDBACK_RADIUS * cos(angle));
        int y = centre.y + (int)(FEEDBACK_RADIUS * sin(angle));
        Ellipse(dc, x - 2, y - 2, x + 3, y + 3);
    }
    SelectObject(dc, previous);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

DWORD WINAPI SHRecognizeGesture(SHRGINFO *shrg)
{
    if (!shrg || shrg->cbSize < sizeof(SHRGINFO) || !IsWindow(shrg->hwndClient))
        return 0;
    HWND window = shrg->hwndClient;
    POINT down = shrg->ptDown;
    RECT client;
    GetClientRect(window, &client);
    bool animate = !(shrg->dwFlags & SHRG_NOANIMATION) && PtInRect(&client, down);
    RECT feedback = {down.x - FEEDBACK_RADIUS - 3, down.y - FEEDBACK_RADIUS - 3, down.x + FEEDBACK_RADIUS + 4,
                     down.y + FEEDBACK_RADIUS + 4};
    DWORD start = GetTickCount();
    bool released = false;
    for (DWORD elapsed = 0; elapsed < GESTURE_WAIT_MS; elapsed = GetTickCount() - start) {
        if (ReleasedMeanwhile(window, down)) {
            released = true;
            break;
        }
        if (animate)
            DrawHoldFeedback(window, down, 1 + (int)(elapsed * FEEDBACK_DOTS / GESTURE_WAIT_MS));
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_INPUT);
    }
    if (animate)
        InvalidateRect(window, &feedback, FALSE);
    if (released)
        return 0;
    POINT screen = down;
    ClientToScreen(window, &screen);
    SendMessageW(window, WM_CONTEXTMENU, (WPARAM)window, MAKELPARAM(screen.x, screen.y));
    return GN_CONTEXTMENU;
}
