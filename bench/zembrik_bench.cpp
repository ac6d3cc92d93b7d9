// The benchmarks. Each mode prints rows of one table: a figure of the
// program beside a reference measured in the same run, the two interleaved.
//   zembrik_bench startup N   start to first paint, against the bare window
//                             and the bare window that shows the skin; the
//                             settings program's against the bare window
//   zembrik_bench exit N      command-line dial and hand-over, each to exit
//   zembrik_bench paint N     whole-window paints at two screen sizes
//   zembrik_bench keys N      key presses: time, heap blocks, GDI objects
//   zembrik_bench dials N     a GrandCentral dial against a cellular one
//   zembrik_bench tones N     a key tone's start through a real sound server
//   zembrik_bench first-tone N  a fresh process's first key tone, pressed at
//                             once or after idling, through the same server
// Nothing here checks a result: the figures are for people to read.
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "bench_support.h"
#include "support/counters.h"
#include "dialing/dialing.h"
#include "device/key_tones.h"
#include "display/display.h"
#include "platform/emulation.h"
#include "settings/settings.h"
#include "settings_program/settings_program.h"
#include "platform/include/waveout_emulation.h"
#include "support/fake_server.h"

static void SetSetting(const wchar_t *name, const wchar_t *text)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

static void SetSilentWaveOut(bool silent)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, DEVICE_EMULATION_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    if (silent) {
        DWORD one = 1;
        RegSetValueExW(key, L"SilentWaveOut", 0, REG_DWORD, (const BYTE *)&one, sizeof(one));
    } else {
        RegDeleteValueW(key, L"SilentWaveOut");
    }
    RegCloseKey(key);
}

static void Pump(DWORD ms)
{
    double end = NowMs() + ms;
    do {
        MSG message;
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 1, QS_ALLINPUT);
    } while (NowMs() < end);
}

// ---- start-up and exit, process by process ----

static bool ChildPaintTime(const std::wstring &exe, const std::wstring &arguments, double *ms, BenchMailbox *mailbox,
                           const ThreadWatch *watch = nullptr)
{
    mailbox->firstPaintMs = 0;
    double start;
    RunAndWait(exe, arguments, 30000, &start, watch);
    if (mailbox->firstPaintMs <= 0)
        return false;
    *ms = mailbox->firstPaintMs - start;
    return true;
}

// One program's start: to its first paint, and that span split at wWinMain.
struct StartFigures {
    Figures toPaint, toWinMain, winMainToPaint, peakKb;
    Figures layoutMs, activationMs;
    int layouts = 0;
    void Add(double ms, const BenchMailbox *mailbox)
    {
        toPaint.Add(ms);
        toWinMain.Add(mailbox->beforeShowMs - (mailbox->firstPaintMs - ms));
        winMainToPaint.Add(mailbox->firstPaintMs - mailbox->beforeShowMs);
        peakKb.Add(mailbox->peakWorkingSetKb);
        layouts = mailbox->layoutsBeforeFirstPaint;
        layoutMs.Add(mailbox->layoutMs);
        activationMs.Add(mailbox->activationMs);
    }
};

// A program started again and again to its first paint: its file beside
// the benchmarks, and the watch it needs when it has none built in.
struct StartedProgram {
    const wchar_t *file;
    const wchar_t *arguments;
    const ThreadWatch *watch;
    StartFigures figures;
};

// Starts each program once a round, runs + 1 rounds, the first only warming
// the file cache. Two programs alternate; more take turns at going first,
// so that none always follows the same one (the one that has just loaded
// COM and the codec, say).
static void StartInTurns(const std::vector<StartedProgram *> &programs, int runs, BenchMailbox *mailbox)
{
    std::wstring folder = BenchFolder();
    size_t count = programs.size();
    for (int i = 0; i < runs + 1; i++) {
        for (size_t turn = 0; turn < count; turn++) {
            StartedProgram *program = programs[count > 2 ? (i + turn) % count : turn];
            double ms;
            if (ChildPaintTime(folder + program->file, program->arguments, &ms, mailbox, program->watch) && i > 0)
                program->figures.Add(ms, mailbox);
        }
    }
}

static void PrintMemory(const StartFigures &zembrik, const StartFigures &bare, const StartFigures &skin)
{
    const char *bareName = "bare window", *skinName = "bare window with skin";
    PrintRow("peak working set at the first paint", zembrik.peakKb, bareName, bare.peakKb, "KB");
    PrintRow("peak working set at the first paint", zembrik.peakKb, skinName, skin.peakKb, "KB");
    PrintRow("peak working set at the first paint", skin.peakKb, bareName, bare.peakKb, "KB");
}

// paint_watch.dll's hook, which times the first paint of a program that
// has no watch built in and ends it there.
static bool LoadPaintWatch(ThreadWatch *watch)
{
    HMODULE watchModule = LoadLibraryW((BenchFolder() + L"paint_watch.dll").c_str());
    *watch = {watchModule, NULL};
    if (watchModule)
        watch->procedure = (HOOKPROC)(void (*)(void))GetProcAddress(watchModule, "WatchCreation");
    return watch->procedure != NULL;
}

// The settings program, started as it is installed, against the bare
// window, the two in turns.
static void BenchSettingsStartup(int runs, BenchMailbox *mailbox)
{
    ThreadWatch watch;
    if (!LoadPaintWatch(&watch)) {
        PrintNote("settings program: start to first paint", "not measured: no paint_watch.dll beside the benchmarks");
        return;
    }
    lstrcpynW(mailbox->watchedClass, SETTINGS_CLASS_NAME, ARRAYSIZE(mailbox->watchedClass));
    StartedProgram settingsProgram = {L"ZembrikSettings.exe", L"", &watch, {}};
    StartedProgram bare = {L"bare_window.exe", L"paint", NULL, {}};
    StartInTurns({&settingsProgram, &bare}, runs, mailbox);
    if (settingsProgram.figures.toPaint.values.empty())
        PrintNote("settings program: start to first paint", "not measured: its first paint was not seen");
    else
        PrintRow("settings program: start to first paint", settingsProgram.figures.toPaint, "bare window",
                 bare.figures.toPaint, "ms");
}

// A companion page opened over a big file and over a usual one, each in a
// folder of its own, in turns.
struct CompanionPage {
    const wchar_t *option, *file;
    const char *measure, *reference;
    std::string big, usual;
};

static void BenchCompanionPage(const CompanionPage &page, int runs, BenchMailbox *mailbox, const ThreadWatch *watch)
{
    const std::wstring folders[] = {L"companion-big", L"companion-usual"};
    for (const std::wstring &name : folders) {
        std::wstring folder = BenchFolder() + name + L"\\";
        CreateDirectoryW(folder.c_str(), NULL);
        CopyFileW((BenchFolder() + L"Pellomar.exe").c_str(), (folder + L"Pellomar.exe").c_str(), FALSE);
        const std::string &bytes = &name == &folders[0] ? page.big : page.usual;
        HANDLE file = CreateFileW((folder + page.file).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        CloseHandle(file);
    }
    lstrcpynW(mailbox->watchedClass, L"Pellomar", ARRAYSIZE(mailbox->watchedClass));
    StartedProgram big = {L"companion-big\\Pellomar.exe", page.option, watch, {}};
    StartedProgram usual = {L"companion-usual\\Pellomar.exe", page.option, watch, {}};
    StartInTurns({&big, &usual}, runs, mailbox);
    std::string measure = page.measure;
    if (big.figures.toPaint.values.empty() || usual.figures.toPaint.values.empty()) {
        PrintNote((measure + ": start to first paint").c_str(), "not measured: its first paint was not seen");
        return;
    }
    PrintRow((measure + ": start to first paint").c_str(), big.figures.toPaint, page.reference,
             usual.figures.toPaint, "ms");
    PrintRow((measure + ": peak working set").c_str(), big.figures.peakKb, page.reference, usual.figures.peakKb,
             "KB");
}

// Recents over a log of 200 calls, and over 10 MB that end in the same 200
// calls after a megabyte-long line and binary junk: only the log's end is
// read, so the two should open alike. Contacts over 100,000 cards, as many
// as the store reads, against 200.
static void BenchCompanionStartup(int runs, BenchMailbox *mailbox)
{
    ThreadWatch watch;
    if (!LoadPaintWatch(&watch))
        return;
    std::string calls, cards, fewCards;
    for (int i = 0; i < 200; i++)
        calls += "555" + std::to_string(1000 + i) + "\tCaller " + std::to_string(i) + "\t2026-12-09T14:05:09\n";
    for (int i = 0; i < 100000; i++) {
        std::string n = std::to_string(i);
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Contact " + n + "\r\nN:" + n + ";Contact;;;\r\nTEL;TYPE=CELL:555" + n +
                 "\r\nTEL;TYPE=WORK:556" + n + "\r\nEND:VCARD\r\n";
        if (i == 199)
            fewCards = cards;
    }
    BenchCompanionPage({L"-recents", L"calls.log", "companion Recents, 10 MB log", "log of 200 calls",
                        std::string(9 << 20, '\xFF') + "\n" + std::string(1 << 20, '7') + "\n" + calls, calls},
                       runs, mailbox, &watch);
    BenchCompanionPage({L"-contacts", L"contacts.vcf", "companion Contacts, 100,000 cards", "200 cards", cards,
                        fewCards},
                       runs, mailbox, &watch);
}

// The dialer whose skin is a 389 KB PNG declaring 20000 x 20000 pixels
// (written beside the benchmarks by tools/bench-session.sh), against the
// default skin, the two in turns: the loader refuses it before decoding, and
// the keys are drawn from the built-in copy.
static void BenchHugeSkinStartup(int runs, BenchMailbox *mailbox)
{
    if (GetFileAttributesW((BenchFolder() + L"huge-skin.png").c_str()) == INVALID_FILE_ATTRIBUTES) {
        PrintNote("dialer with a 20000x20000 PNG skin", "not measured: no huge-skin.png beside the benchmarks");
        return;
    }
    StartFigures huge, normal;
    for (int i = 0; i < runs + 1; i++) {
        for (StartFigures *figures : {&huge, &normal}) {
            SetSetting(L"skin", figures == &huge ? L"huge-skin" : L"default");
            double ms;
            if (ChildPaintTime(BenchFolder() + L"first_paint.exe", L"", &ms, mailbox) && i > 0)
                figures->Add(ms, mailbox);
        }
    }
    SetSetting(L"skin", L"default");
    PrintRow("dialer, 20000x20000 PNG skin: start to first paint", huge.toPaint, "default skin", normal.toPaint, "ms");
    PrintRow("dialer, 20000x20000 PNG skin: peak working set", huge.peakKb, "default skin", normal.peakKb, "KB");
}

static void BenchStartup(int runs)
{
    BenchMailbox *mailbox = OpenMailbox(true);
    StartedProgram bareProgram = {L"bare_window.exe", L"paint", NULL, {}};
    StartedProgram skinProgram = {L"bare_window_skin.exe", L"paint", NULL, {}};
    StartedProgram dialer = {L"first_paint.exe", L"", NULL, {}};
    StartInTurns({&bareProgram, &skinProgram, &dialer}, runs, mailbox);
    const StartFigures &bare = bareProgram.figures, &skin = skinProgram.figures, &zembrik = dialer.figures;
    const char *bareName = "bare window", *skinName = "bare window with skin";
    PrintRow("start to first paint", zembrik.toPaint, bareName, bare.toPaint, "ms");
    PrintRow("start to first paint", zembrik.toPaint, skinName, skin.toPaint, "ms");
    PrintNote("layouts (surfaces made) before the first paint", std::to_string(zembrik.layouts));
    PrintRow("  process start to wWinMain", zembrik.toWinMain, bareName, bare.toWinMain, "ms");
    PrintRow("  process start to wWinMain", zembrik.toWinMain, skinName, skin.toWinMain, "ms");
    PrintRow("  wWinMain to first paint", zembrik.winMainToPaint, bareName, bare.winMainToPaint, "ms");
    PrintRow("  wWinMain to first paint", zembrik.winMainToPaint, skinName, skin.winMainToPaint, "ms");
    PrintRow("  WM_SIZE handling before the first paint", zembrik.layoutMs, "start to first paint", zembrik.toPaint,
             "ms");
    PrintRow("  activation (WM_ACTIVATE, full screen) before it", zembrik.activationMs, "start to first paint",
             zembrik.toPaint, "ms");
    PrintMemory(zembrik, bare, skin);
    if (skin.toPaint.values.empty())
        PrintNote("bare window with skin", "not measured: default.png beside the benchmarks was not decoded");
    BenchSettingsStartup(runs, mailbox);
    BenchCompanionStartup(runs, mailbox);
    BenchHugeSkinStartup(runs, mailbox);
}

static double TimeToExit(const std::wstring &exe, const std::wstring &arguments)
{
    double start;
    RunAndWait(exe, arguments, 30000, &start);
    return NowMs() - start;
}

static void BenchExit(int runs)
{
    std::wstring folder = BenchFolder();
    std::wstring bare = folder + L"bare_window.exe", zembrik = folder + L"zembrik.exe";
    Figures bareExit, dialExit;
    for (int i = 0; i < runs + 1; i++) {
        double b = TimeToExit(bare, L"exit");
        double z = TimeToExit(zembrik, L"5551234");
        if (i > 0) {
            bareExit.Add(b);
            dialExit.Add(z);
        }
    }
    PrintRow("command-line dial to exit", dialExit, "bare start to exit", bareExit, "ms");

    // The running instance that the second starts hand their lines to.
    std::wstring commandLine = L"\"" + zembrik + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION running;
    if (!CreateProcessW(zembrik.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &running))
        return;
    HWND window = NULL;
    for (int wait = 0; wait < 500 && !window; wait++) {
        Sleep(10);
        window = FindWindowW(ZEMBRIK_CLASS_NAME, NULL);
    }
    Figures bareAgain, handOver;
    for (int i = 0; i < runs + 1 && window; i++) {
        double b = TimeToExit(bare, L"exit");
        double z = TimeToExit(zembrik, L"5551234");
        if (i > 0) {
            bareAgain.Add(b);
            handOver.Add(z);
        }
    }
    PrintRow("hand-over (second start) to exit", handOver, "bare start to exit", bareAgain, "ms");
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(running.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(running.hProcess, 99);
    CloseHandle(running.hThread);
    CloseHandle(running.hProcess);
}

// ---- in-process: the real window, driven by its own messages ----

static double ownPaintMs;
static bool keyCommandHandled;

// Between the system and the window procedure: times the program's own
// paint, notes when a key's command has been handled, and lets the window
// grow past the 240 x 320 screen for the VGA layout.
static LRESULT CALLBACK TimedWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETMINMAXINFO) {
        MINMAXINFO *limits = (MINMAXINFO *)lParam;
        limits->ptMaxTrackSize.x = limits->ptMaxSize.x = 2000;
        limits->ptMaxTrackSize.y = limits->ptMaxSize.y = 2000;
        return 0;
    }
    if (message == WM_PAINT) {
        double start = NowMs();
        LRESULT result = MainWndProc(window, message, wParam, lParam);
        ownPaintMs = NowMs() - start;
        return result;
    }
    LRESULT result = MainWndProc(window, message, wParam, lParam);
    if (message == WM_COMMAND && wParam == CMD_KEY)
        keyCommandHandled = true;
    return result;
}

static HWND StartDialer(void)
{
    SetSetting(L"exitOnMinimize", L"0");
    HWND window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
    if (!window) {
        fprintf(stderr, "the dialer did not start\n");
        exit(1);
    }
    SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)TimedWndProc);
    Pump(300);
    return window;
}

static void UseScreen(HWND window, int width, int height, int dpi)
{
    ScaleMetricsForDpi(dpi);
    if (!app.siblingAppPresent)
        app.metrics.tabStripHeight = 0;
    app.numberFont = CreateUiFont(app.metrics.numberFontHeight, FALSE, 0);
    app.digitFont = CreateUiFont(app.metrics.digitFontHeight, TRUE, 0);
    app.statusFont = CreateUiFont(app.metrics.statusFontHeight, FALSE, 0);
    app.smallFont = CreateUiFont(app.metrics.smallFontHeight, FALSE, 0);
    MoveWindow(window, 0, 0, width, height, FALSE);
    ComputeLayout(window);
    Pump(50);
}

static void TypeNumber(HWND window, const wchar_t *digits)
{
    SendMessageW(window, WM_COMMAND, CMD_CLEAR, 0);
    for (const wchar_t *digit = digits; *digit; digit++)
        SendMessageW(window, WM_COMMAND, CMD_KEY, *digit);
}

static void BenchPaintAt(HWND window, int width, int height, int dpi, int runs)
{
    UseScreen(window, width, height, dpi);
    TypeNumber(window, L"5551234");
    Figures paint, paintWithKeypad, own;
    for (int i = 0; i < runs + 5; i++) {
        double start = NowMs();
        InvalidateRect(window, NULL, FALSE);
        UpdateWindow(window);
        double whole = NowMs() - start;
        double drawing = ownPaintMs;
        start = NowMs();
        DrawKeypad(app.keypadSurface.dc);
        InvalidateRect(window, NULL, FALSE);
        UpdateWindow(window);
        double withKeypad = NowMs() - start;
        if (i >= 5) {
            paint.Add(whole);
            own.Add(drawing);
            paintWithKeypad.Add(withKeypad);
        }
    }
    char what[128];
    snprintf(what, sizeof(what), "whole-window paint, %dx%d at %d dpi", width, height, dpi);
    PrintRow(what, paint, "same, keypad redrawn", paintWithKeypad, "ms");
    snprintf(what, sizeof(what), "own drawing per paint, %dx%d at %d dpi", width, height, dpi);
    PrintRow(what, own, "whole paint", paint, "ms");
}

// Re-layouts (a rotation, a frame change) with a skin file that could not
// be loaded, against the loaded skin, in turns: the failed file, a PNG whose
// chunk declares 2 GB, is not decoded again at each layout.
static void BenchRelayouts(HWND window, int runs)
{
    static const char failedSkin[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\xf0\0\0\0\x78\x08\x02\0\0\0"
                                     "\0\0\0\0\x7f\xff\xff\xf0IDATxx";
    std::wstring failedPath = BenchFolder() + L"failed-skin.png";
    HANDLE file = CreateFileW(failedPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, failedSkin, sizeof(failedSkin) - 1, &written, NULL);
    CloseHandle(file);
    HBITMAP loaded = app.SkinBitmap;
    WCHAR loadedPath[PATH_CAPACITY];
    lstrcpynW(loadedPath, app.skinImagePath, PATH_CAPACITY);
    Figures good, failed;
    for (int i = 0; i < runs + 5; i++) {
        for (Figures *figures : {&failed, &good}) {
            bool failing = figures == &failed;
            app.SkinBitmap = failing ? NULL : loaded;
            lstrcpynW(app.skinImagePath, failing ? failedPath.c_str() : loadedPath, PATH_CAPACITY);
            SelectObject(app.skinSurface, failing ? app.builtInSkin : loaded);
            double start = NowMs();
            for (int layout = 0; layout < 10; layout++)
                ComputeLayout(window);
            if (i >= 5)
                figures->Add((NowMs() - start) / 10);
        }
    }
    app.SkinBitmap = loaded;
    lstrcpynW(app.skinImagePath, loadedPath, PATH_CAPACITY);
    SelectObject(app.skinSurface, loaded);
    DeleteFileW(failedPath.c_str());
    PrintRow("re-layout, skin file that could not be loaded", failed, "skin loaded", good, "ms");
}

static void BenchPaint(int runs)
{
    HWND window = StartDialer();
    BenchPaintAt(window, 240, 320, 96, runs);
    BenchRelayouts(window, runs);
    BenchPaintAt(window, 480, 640, 192, runs);
    DestroyWindow(window);
}

struct PressFigures {
    Figures ms, own, wine, gdi, threads;
};

// A tap on the key: pen down and up on its middle, then until its command
// has been handled (the number edited and the window repainted).
static void Press(HWND window, int keyIndex, PressFigures *figures)
{
    const RECT *key = &app.keyRects[keyIndex];
    LPARAM point = MAKELPARAM((key->left + key->right) / 2, (key->top + key->bottom) / 2);
    keyCommandHandled = false;
    ResetCounts();
    double start = NowMs();
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(window, WM_LBUTTONUP, 0, point);
    MSG message;
    while (!keyCommandHandled && GetMessageW(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    double elapsed = NowMs() - start;
    Pump(30); // what a tone device does just after the press counts too
    Counts counts = ReadCounts();
    if (figures) {
        figures->ms.Add(elapsed);
        figures->own.Add(counts.ownAllocations);
        figures->wine.Add(counts.wineAllocations);
        figures->gdi.Add(counts.gdiCreated);
        figures->threads.Add(counts.ownThreads);
    }
}

static const wchar_t SeventyEightDigits[] =
    L"123456789012345678901234567890123456789012345678901234567890123456789012345678";

static void BenchKeys(int runs)
{
    HWND window = StartDialer();
    UseScreen(window, 240, 320, 96);
    // One press of each kind first, so that every DLL they need is loaded.
    SetSilentWaveOut(true);
    Press(window, 4, NULL);
    SetSilentWaveOut(false);
    Press(window, 4, NULL);
    StartCounting();
    int liveBefore = LiveGdiObjects();
    PressFigures silent, none, longNumber, shortNumber;
    for (int i = 0; i < runs; i++) {
        if (i % 10 == 0)
            TypeNumber(window, L"");
        SetSilentWaveOut(true);
        Press(window, 4, &silent);
        SetSilentWaveOut(false);
        Press(window, 4, &none);
    }
    for (int i = 0; i < runs; i++) {
        TypeNumber(window, SeventyEightDigits);
        Press(window, 4, &longNumber);
        TypeNumber(window, L"555");
        Press(window, 4, &shortNumber);
    }
    int liveAfter = LiveGdiObjects();
    PrintRow("key press to command handled, tone device silent", silent.ms, "no tone device", none.ms, "ms");
    PrintRow("  heap allocations per press, own code", silent.own, "no tone device", none.own, "");
    PrintRow("  heap allocations per press, inside Wine", silent.wine, "no tone device", none.wine, "");
    PrintRow("  threads started per press, own code", silent.threads, "no tone device", none.threads, "");
    PrintRow("  GDI objects created per press", silent.gdi, "no tone device", none.gdi, "");
    PrintRow("key press at 78 digits (shrunk number)", longNumber.ms, "at 3 digits", shortNumber.ms, "ms");
    PrintRow("  heap allocations per press, own code", longNumber.own, "at 3 digits", shortNumber.own, "");
    PrintRow("  heap allocations per press, inside Wine", longNumber.wine, "at 3 digits", shortNumber.wine, "");
    PrintRow("  GDI objects created per press", longNumber.gdi, "at 3 digits", shortNumber.gdi, "");
    if (liveBefore >= 0)
        PrintNote("live GDI objects after all presses",
                  std::to_string(liveAfter - liveBefore) + " more than before (" + std::to_string(liveAfter) + ")");
    DestroyWindow(window);
}

// ---- dials, in-process, against the scripted server on loopback ----

static const char LoginReply[] = "HTTP/1.0 302 Found\r\nSet-Cookie: a_t=A1; path=/\r\nSet-Cookie: v_s=V1; path=/\r\n"
                                 "Set-Cookie: _session_id=S1; path=/\r\n\r\n";
static const char CallReply[] = "HTTP/1.0 200 OK\r\n\r\nresult=0";

static void RawExchange(const char *request)
{
    SOCKET connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(80);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(connection, (sockaddr *)&address, sizeof(address)) == 0) {
        send(connection, request, (int)strlen(request), 0);
        char reply[1024];
        while (recv(connection, reply, sizeof(reply), 0) > 0) {
        }
    }
    closesocket(connection);
}

static void BenchDials(int runs)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SetSetting(L"myNumber", L"+14155550100");
    SetSetting(L"service1type", L"grandcentral");
    SetSetting(L"service1username", L"jane");
    SetSetting(L"service1password", L"secret");
    SetSetting(L"service2type", L"phone");
    LoadSettings();
    FakeServer server("127.0.0.1");
    if (!server.Listening()) {
        PrintNote("GrandCentral dial", "not measured: port 80 on loopback cannot be taken outside 'make bench'");
        return;
    }
    // The same bytes as the service's own two requests.
    std::string body = "account%5Busername%5D=jane&account%5Bpassword%5D=secret";
    std::string login = "POST /account/login HTTP/1.0\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n" + body + "\r\n";
    Figures grandCentral, cellular, raw;
    for (int i = 0; i < runs + 2; i++) {
        server.Queue(Reply(LoginReply));
        server.Queue(Reply(CallReply));
        app.selectedService = 0;
        double start = NowMs();
        DialNumber(L"4155550199", L"");
        double gc = NowMs() - start;

        app.selectedService = 1;
        start = NowMs();
        DialNumber(L"4155550199", L"");
        double cell = NowMs() - start;

        server.Queue(Reply(LoginReply));
        server.Queue(Reply(CallReply));
        start = NowMs();
        RawExchange(login.c_str());
        RawExchange("GET /calls/send_call_request?a_t=A1&calltype=call&destno=4155550199&ani=4155550100 HTTP/1.0\r\n"
                    "Cookie: v_s=V1; _session_id=S1; a_t=A1\r\n\r\n");
        double rawMs = NowMs() - start;
        if (i >= 2) {
            grandCentral.Add(gc);
            cellular.Add(cell);
            raw.Add(rawMs);
        }
    }
    PrintRow("GrandCentral dial, in-process", grandCentral, "two raw loopback exchanges", raw, "ms");
    PrintRow("cellular dial, in-process", cellular, "two raw loopback exchanges", raw, "ms");
    PrintRow("GrandCentral dial, in-process", grandCentral, "cellular dial", cellular, "ms");
}

// ---- key tones through a real output ----

static void SetKeepWaveOut(DWORD ms)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, DEVICE_EMULATION_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"KeepWaveOutMs", 0, REG_DWORD, (const BYTE *)&ms, sizeof(ms));
    RegCloseKey(key);
}

// From the press's tone request to its first block handed to the output,
// as the stand-in records it; negative when no tone started.
static double ToneStartAfterPress(void)
{
    WAVEOUT_EMULATION_RECORD before, after;
    WaveOutEmulationGetRecord(&before);
    LARGE_INTEGER pressed, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&pressed);
    PlayKeyTone('5');
    double waitedUntil = NowMs() + 2000;
    do {
        Sleep(1);
        WaveOutEmulationGetRecord(&after);
    } while (after.tonesStarted == before.tonesStarted && NowMs() < waitedUntil);
    Sleep(80);
    StopKeyTone();
    Sleep(40);
    if (after.tonesStarted == before.tonesStarted)
        return -1;
    return (after.firstSampleAt - pressed.QuadPart) * 1000.0 / frequency.QuadPart;
}

// Only meaningful with a sound server: the run script starts a private one.
// The keep span is read when a tone's device closes, so each figure's press
// comes after a press that closed the output, or kept it, as asked.
static void BenchTones(int runs)
{
    SetSilentWaveOut(false);
    SetKeepWaveOut(0);
    double first = ToneStartAfterPress(); // loads the sound driver as well
    if (first < 0) {
        PrintNote("key tone start, real output", "no sound output here");
        return;
    }
    Figures kept, opened;
    for (int i = 0; i < runs; i++) {
        SetKeepWaveOut(0);
        ToneStartAfterPress();
        opened.Add(ToneStartAfterPress());
        SetKeepWaveOut(10000);
        ToneStartAfterPress();
        kept.Add(ToneStartAfterPress());
    }
    SetKeepWaveOut(0);
    PrintRow("key tone start after the press, real output kept open", kept, "output opened for the press", opened,
             "ms");
    char text[64];
    snprintf(text, sizeof(text), "%.1f ms (once: the driver loads)", first);
    PrintNote("  the process's first key tone, real output", text);
}

// A fresh process's first key tone: the dialer starts as on a phone, and
// its first key is pressed at once after the first paint ("at-once"), or
// after a second of idling ("idle"); then a second key. Both figures go to
// the mailbox.
static int FirstToneChild(bool atOnce)
{
    BenchMailbox *mailbox = OpenMailbox(false);
    if (!mailbox)
        return 1;
    HWND window = InitInstance(GetModuleHandleW(NULL), L"", SW_SHOWNORMAL);
    if (!window)
        return 1;
    if (!atOnce)
        Pump(1000);
    mailbox->firstToneMs = ToneStartAfterPress();
    Pump(200);
    mailbox->laterToneMs = ToneStartAfterPress();
    return 0;
}

// Fresh processes in turn: the first press at once, and after idling.
static void BenchFirstTone(int runs)
{
    SetSilentWaveOut(false);
    SetKeepWaveOut(10000);
    SetSetting(L"exitOnMinimize", L"0");
    BenchMailbox *mailbox = OpenMailbox(true);
    std::wstring self = BenchFolder() + L"zembrik_bench.exe";
    Figures idle, atOnce, later;
    for (int i = 0; i < runs; i++) {
        for (int turn = 0; turn < 2; turn++) {
            bool pressAtOnce = (i + turn) % 2 == 0;
            // A child that ends before writing must not leave the last one's.
            mailbox->firstToneMs = mailbox->laterToneMs = -1;
            RunAndWait(self, pressAtOnce ? L"first-tone-child at-once" : L"first-tone-child idle", 30000);
            if (mailbox->firstToneMs < 0 || mailbox->laterToneMs < 0)
                continue;
            (pressAtOnce ? atOnce : idle).Add(mailbox->firstToneMs);
            later.Add(mailbox->laterToneMs);
        }
    }
    if (idle.values.empty()) {
        PrintNote("first key tone of a fresh process, real output", "no sound output here");
        return;
    }
    PrintRow("first key tone of a fresh process, a second after start", idle, "a later press", later, "ms");
    PrintRow("first key tone of a fresh process, pressed at the first paint", atOnce, "a later press", later, "ms");
}

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: zembrik_bench startup|exit|paint|keys|dials|tones|first-tone [runs]\n");
        return 2;
    }
    int runs = argc > 2 ? _wtoi(argv[2]) : 20;
    std::wstring mode = argv[1];
    if (mode == L"startup")
        BenchStartup(runs);
    else if (mode == L"exit")
        BenchExit(runs);
    else if (mode == L"paint")
        BenchPaint(runs);
    else if (mode == L"keys")
        BenchKeys(runs);
    else if (mode == L"dials")
        BenchDials(runs);
    else if (mode == L"tones")
        BenchTones(runs);
    else if (mode == L"first-tone")
        BenchFirstTone(runs);
    else if (mode == L"first-tone-child")
        return FirstToneChild(argc > 2 && wcscmp(argv[2], L"at-once") == 0);
    else
        return 2;
    return 0;
}
