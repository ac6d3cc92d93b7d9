// The dialer as it starts on a phone, with a watch on its messages: at the
// end of its first paint it writes the time, and how many layouts (surfaces
// made for a size) and paints it went through, into the benchmark's mailbox
// and ends.
#include "app/shell.h"
#include "bench_support.h"

static int layouts = 0;
static int paints = 0;
static HDC lastBackBuffer = NULL;

static bool IsLayoutSize(WPARAM kind)
{
    return kind == SIZE_RESTORED || kind == SIZE_MAXIMIZED || kind == SIZE_MAXSHOW;
}

static double layoutMs = 0, activationMs = 0;

static LRESULT CALLBACK WatchedWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    double start = NowMs();
    LRESULT result = MainWndProc(window, message, wParam, lParam);
    if (message == WM_SIZE && IsLayoutSize(wParam))
        layoutMs += NowMs() - start;
    if (app.backBuffer.dc != lastBackBuffer) {
        lastBackBuffer = app.backBuffer.dc;
        layouts++;
    }
    if (message == WM_ACTIVATE)
        activationMs += NowMs() - start;
    if (message == WM_PAINT) {
        BenchMailbox *mailbox = OpenMailbox(false);
        if (mailbox) {
            mailbox->firstPaintMs = NowMs();
            mailbox->layoutsBeforeFirstPaint = layouts;
            mailbox->paintsBeforeFirstPaint = ++paints;
            mailbox->layoutMs = layoutMs;
            mailbox->activationMs = activationMs;
            RecordMemory(mailbox);
        }
        ExitProcess(0);
    }
    return result;
}

// Puts the watch between the system and the window procedure as soon as the
// main window exists, before it receives anything worth counting.
static LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CBT_CREATEWNDW *create = (const CBT_CREATEWNDW *)lParam;
        if (create->lpcs->lpszClass && !IS_INTRESOURCE(create->lpcs->lpszClass) &&
            lstrcmpW(create->lpcs->lpszClass, ZEMBRIK_CLASS_NAME) == 0)
            SetWindowLongPtrW((HWND)wParam, GWLP_WNDPROC, (LONG_PTR)WatchedWndProc);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand)
{
    SetWindowsHookExW(WH_CBT, WatchCreation, NULL, GetCurrentThreadId());
    BenchMailbox *mailbox = OpenMailbox(false);
    if (mailbox)
        mailbox->beforeShowMs = NowMs(); // the program's own code starts here
    if (!InitInstance(instance, commandLine, showCommand))
        return EXIT_CODE_EARLY_END;
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return (int)message.wParam;
}
