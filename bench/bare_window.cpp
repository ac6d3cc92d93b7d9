// The reference for start-up: the least a Win32 program does to put a
// full-screen window on the screen under the same Wine.
//   bare_window paint  shows the window and ends after its first paint
//   bare_window exit   makes the window hidden and ends
//   bare_window idle   shows the window and runs until it is closed
// Built a second time as bare_window_skin, the same window also decodes the
// dialer's skin (default.png beside it) through the dialer's own image
// loader and copies it to the screen in its first paint: the least a
// program does to show that image, so that what the dialer spends beyond it
// is the dialer's own work.
#include <windows.h>
#include <wchar.h>

#ifdef BARE_WINDOW_SKIN
#include <aygshell.h>
#endif

#include "bench_support.h"

static bool endAfterFirstPaint = false;

#ifdef BARE_WINDOW_SKIN
static HDC skinSurface = NULL;
static SIZE skinSize;

// Decoded on the window's own thread before its first paint, as the dialer
// decodes it in its first layout, from the file the dialer reads by default.
static bool LoadSkin(void)
{
    if (skinSurface)
        return true;
    std::wstring path = BenchFolder() + L"default.png";
    HBITMAP skin = SHLoadImageFile(path.c_str());
    BITMAP info;
    if (!skin || !GetObjectW(skin, sizeof(info), &info))
        return false;
    skinSize.cx = info.bmWidth;
    skinSize.cy = info.bmHeight;
    skinSurface = CreateCompatibleDC(NULL);
    SelectObject(skinSurface, skin);
    return true;
}

static void DrawSkin(HDC dc)
{
    if (skinSurface)
        BitBlt(dc, 0, 0, skinSize.cx, skinSize.cy, skinSurface, 0, 0, SRCCOPY);
}
#else
static bool LoadSkin(void)
{
    return true;
}

static void DrawSkin(HDC)
{
}
#endif

static LRESULT CALLBACK BareWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        bool skinShown = LoadSkin();
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        FillRect(dc, &paint.rcPaint, (HBRUSH)GetStockObject(BLACK_BRUSH));
        DrawSkin(dc);
        EndPaint(window, &paint);
        if (endAfterFirstPaint) {
            // A window that could not show the skin is no reference: it
            // leaves the mailbox alone, so the run is not counted.
            BenchMailbox *mailbox = skinShown ? OpenMailbox(false) : NULL;
            if (mailbox) {
                mailbox->firstPaintMs = NowMs();
                RecordMemory(mailbox);
            }
            ExitProcess(0);
        }
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand)
{
    endAfterFirstPaint = wcsstr(commandLine, L"paint") != NULL;
    if (endAfterFirstPaint) {
        BenchMailbox *mailbox = OpenMailbox(false);
        if (mailbox)
            mailbox->beforeShowMs = NowMs();
    }
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = BareWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"BareWindow";
    if (!RegisterClassW(&windowClass))
        return 1;
    HWND window = CreateWindowExW(0, L"BareWindow", L"Bare", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    if (wcsstr(commandLine, L"exit"))
        return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
