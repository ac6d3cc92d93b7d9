// The reference for start-up: the least a Win32 program does to put a
// full-screen window on the screen under the same Wine.
//   bare_window paint  shows the window and ends after its first paint
//   bare_window exit   makes the window hidden and ends
//   bare_window idle   shows the window and runs until it is closed
#include <windows.h>
#include <wchar.h>

#include "bench_support.h"

static bool endAfterFirstPaint = false;

static LRESULT CALLBACK BareWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        FillRect(dc, &paint.rcPaint, (HBRUSH)GetStockObject(BLACK_BRUSH));
        EndPaint(window, &paint);
        if (endAfterFirstPaint) {
            BenchMailbox *mailbox = OpenMailbox(false);
            if (mailbox)
                mailbox->firstPaintMs = NowMs();
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
