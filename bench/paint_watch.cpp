// The watch that first_paint.exe builds into the dialer, as a DLL for a
// program started as it is installed: set as a hook on the program's first
// thread (see ThreadWatch), it puts itself between the system and the
// window procedure of the window whose class the mailbox names. At the end
// of that window's first paint, its controls' first paints included, it
// writes the time into the mailbox and ends the program.
#include "bench_support.h"

static WNDPROC watchedProc = NULL;
static BenchMailbox *mailbox = NULL;

static LRESULT CALLBACK WatchedWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcW(watchedProc, window, message, wParam, lParam);
    if (message == WM_PAINT) {
        // The window's own paint leaves its controls to paint after it, in
        // the same UpdateWindow: they are painted here, as they would be.
        RedrawWindow(window, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
        mailbox->firstPaintMs = NowMs();
        RecordMemory(mailbox);
        ExitProcess(0);
    }
    return result;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && !watchedProc) {
        const CBT_CREATEWNDW *create = (const CBT_CREATEWNDW *)lParam;
        if (!mailbox)
            mailbox = OpenMailbox(false);
        if (mailbox && create->lpcs->lpszClass && !IS_INTRESOURCE(create->lpcs->lpszClass) &&
            lstrcmpW(create->lpcs->lpszClass, mailbox->watchedClass) == 0)
            watchedProc = (WNDPROC)SetWindowLongPtrW((HWND)wParam, GWLP_WNDPROC, (LONG_PTR)WatchedWndProc);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
