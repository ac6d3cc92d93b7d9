// Process start: one instance, the hidden main window, the command line and
// the companion contacts program beside ours.
#include <aygshell.h>
#include <objbase.h>
#include <wchar.h>

#include "app/resource.h"
#include "app/shell.h"

#include "base/text.h"
#include "device/contacts.h"
#include "device/key_tones.h"
#include "dialing/dialing.h"
#include "display/display.h"
#include "settings/settings.h"

#define SIBLING_APP_RELATIVE_PATH L"Pellomar\\Pellomar.exe"
// Units of a link that a message names.
#define LINK_SHOWN_CAPACITY 100

AppState app;

void ResetAppState(void)
{
    ZeroMemory(&app, sizeof(app));
    app.selectedTab = KEYPAD_TAB;
    app.penPoint.x = -1;
    app.penPoint.y = -1;
    app.metrics = BASE_LAYOUT_METRICS;
}

static LRESULT HandOverToRunningInstance(HWND running, const WCHAR *commandLine, bool bringForward)
{
    // The device's form of the handle also brings owned windows forward; on
    // the desktop that form names no window, so the plain handle is given.
    if (bringForward)
        SetForegroundWindow(ZEMBRIK_DESKTOP ? running : (HWND)((ULONG_PTR)running | 1));
    COPYDATASTRUCT data;
    data.dwData = 0;
    data.cbData = (DWORD)(TextLength(commandLine) * sizeof(WCHAR));
    data.lpData = (void *)commandLine;
    return SendMessageW(running, WM_COPYDATA, 0, (LPARAM)&data);
}

// True once a running dialer has taken the command line; false when none
// runs, and this start is the dialer. A dialer that ended before it read
// the message answers nothing (its window is gone): this start then looks
// again, and dials itself if it finds none. A dialer that answers with
// neither value, its window still there, is an older one that handled it.
// Asked again, it does not bring the dialer forward again: a refusal
// repeated over a dial's message box must not keep pulling the window
// over it.
static bool HandOver(const WCHAR *commandLine)
{
    for (bool first = true;; first = false) {
        HWND running = FindWindowW(ZEMBRIK_CLASS_NAME, NULL);
        if (!running)
            return false;
        LRESULT answer = HandOverToRunningInstance(running, commandLine, first);
        if (answer == HAND_OVER_TAKEN || (answer != HAND_OVER_REFUSED && IsWindow(running)))
            return true;
        if (answer == HAND_OVER_REFUSED)
            Sleep(HAND_OVER_RETRY_MS);
    }
}

// No class icon: loading it, and the small one the system derives from it,
// adds a few milliseconds before the first paint under Wine. The window
// gets its icons once it is on screen (ShowWindowIcons); Explorer,
// shortcuts and installers take the program's icon from the executable's
// resource (app/zembrik.rc).
static bool RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSW windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = ZEMBRIK_CLASS_NAME;
    return RegisterClassW(&windowClass) != 0;
}

// The phone gives a top-level window the work area and no frame. The
// desktop would give it a caption and a default size, which the first
// activation then removes and resizes before anything is painted: under
// Wine two round trips to the X server for nothing.
static HWND CreateMainWindow(HINSTANCE instance)
{
    if (!ZEMBRIK_DESKTOP)
        return CreateWindowExW(WS_EX_NODRAG, ZEMBRIK_CLASS_NAME, ZEMBRIK_TITLE, WS_SYSMENU, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return CreateWindowExW(WS_EX_NODRAG, ZEMBRIK_CLASS_NAME, ZEMBRIK_TITLE, WS_POPUP | WS_SYSMENU, work.left,
                           work.top, work.right - work.left, work.bottom - work.top, NULL, NULL, instance, NULL);
}

// The taskbar's and the task switcher's icons. The phone's shell shows
// none for a full-screen window.
static void ShowWindowIcons(HWND window, HINSTANCE instance)
{
#if ZEMBRIK_DESKTOP
    static const struct {
        WPARAM kind;
        int widthMetric, heightMetric;
    } icons[] = {{ICON_BIG, SM_CXICON, SM_CYICON}, {ICON_SMALL, SM_CXSMICON, SM_CYSMICON}};
    for (int i = 0; i < 2; i++) {
        HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(PROGRAM_ICON_ID), IMAGE_ICON,
                                 GetSystemMetrics(icons[i].widthMetric), GetSystemMetrics(icons[i].heightMetric),
                                 LR_SHARED);
        SendMessageW(window, WM_SETICON, icons[i].kind, (LPARAM)icon);
    }
#else
    (void)window;
    (void)instance;
#endif
}

// Density scaling, fonts, status values and the first layout, in the order
// the layout depends on them.
static void StartDisplay(HWND window)
{
    HDC windowDC = GetDC(window);
    ScaleMetricsForDpi(GetDeviceCaps(windowDC, LOGPIXELSX));
    ReleaseDC(window, windowDC);
    app.numberFont = CreateUiFont(app.metrics.numberFontHeight, FALSE, 0);
    app.digitFont = CreateUiFont(app.metrics.digitFontHeight, TRUE, 0);
    app.statusFont = CreateUiFont(app.metrics.statusFontHeight, FALSE, 0);
    app.smallFont = CreateUiFont(app.metrics.smallFontHeight, FALSE, 0);
    if (!app.siblingAppPresent)
        app.metrics.tabStripHeight = 0;
    RegisterStatusNotifications(window);
    LayOutWindow(window);
}

// A start that has dialled its command line ends. Its window goes first:
// a later start no longer finds it, and one that found it a moment before
// is answered with nothing (or refused, should the window read its message
// while it goes), and dials itself.
static void EndAfterCommandLine(HWND window)
{
    app.endingAfterCommandLine = 1;
    DestroyWindow(window);
}

HWND InitInstance(HINSTANCE instance, const WCHAR *commandLine, int showCommand)
{
    ResetAppState();
    if (HandOver(commandLine))
        return NULL;
    if (!RegisterMainWindowClass(instance))
        return NULL;
    HWND window = CreateMainWindow(instance);
    if (!IsWindow(window))
        return NULL;

    LoadSettings();
    WCHAR siblingPath[PATH_CAPACITY];
    app.siblingAppPresent = FindSiblingApp(siblingPath) ? 1 : 0;
    // A second start that came during this dial still gets its turn; one
    // that was a link, or text that is no number, keeps the dialer on
    // screen.
    if (ProcessCommandLine(commandLine) == 0 && !HandleHeldHandOvers(window)) {
        EndAfterCommandLine(window);
        return NULL;
    }

    RegistryNotifyWindow(HKEY_CURRENT_USER, SETTINGS_KEY, SELECTED_SERVICE_VALUE, window, WM_SETTINGS_CHANGED,
                         SETTINGS_NOTIFY_USER_DATA, NULL, &app.serviceNotifyHandle);
    FormatDisplayNumber();
    StartDisplay(window);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    ShowWindowIcons(window, instance);
    SetTimer(window, IDLE_WORK_TIMER_ID, IDLE_WORK_TICK_MS, NULL);
    // Those that came while the command line's link was being refused.
    HandleHeldHandOvers(window);
    return window;
}

// What can wait until the keypad is on screen, a piece per tick: a timer's
// message comes only while no input or paint is waiting. The wave device
// loads its driver first (in the background), then the number's smaller
// fonts have their widths learnt.
LRESULT OnIdleWork(HWND window)
{
    if (!app.keyTonesPrepared) {
        PrepareKeyTones();
        app.keyTonesPrepared = 1;
    } else if (!LearnNumberWidths()) {
        KillTimer(window, IDLE_WORK_TIMER_ID);
    }
    return 0;
}

// line receives the command line as it is read: COMMAND_LINE_CAPACITY units.
static void ReadCommandLine(const WCHAR *commandLine, WCHAR *line, CommandLineRequest *request)
{
    if (ZEMBRIK_DESKTOP)
        UndoDesktopQuoting(line, COMMAND_LINE_CAPACITY, commandLine);
    else
        TextCopy(line, COMMAND_LINE_CAPACITY, commandLine);
    ParseCommandLine(line, request);
}

// A line that shows the dialer rather than dialling: a link, or text that
// is no number.
static bool ShowsDialer(const WCHAR *commandLine)
{
    WCHAR line[COMMAND_LINE_CAPACITY];
    CommandLineRequest request;
    ReadCommandLine(commandLine, line, &request);
    return request.isLink || (request.hasNumberText && request.numberResult != PHONE_LINK_NUMBER);
}

// One message that names the text it refuses, in a form that cannot hide
// or reorder the message around it. Like a dial's message: a second start
// that comes meanwhile waits.
static void RefuseText(const WCHAR *format, const WCHAR *text)
{
    WCHAR shown[LINK_SHOWN_CAPACITY];
    DescribeText(shown, LINK_SHOWN_CAPACITY, text);
    WCHAR message[ERROR_TEXT_CAPACITY];
    TextFormat(message, ERROR_TEXT_CAPACITY, format, shown);
    BYTE dialing = app.dialInProgress;
    app.dialInProgress = 1;
    MessageBoxW(NULL, message, L"Zembrik", MB_OK);
    app.dialInProgress = dialing;
}

// A link on a web page or in another program must never place a call by
// itself (a service code in a link once wiped the phones that dialled links
// at once): its number is put on screen as if typed, and the user calls it
// or not. A link that names no number, or one too long, is refused whole.
static void TakeLink(const WCHAR *link, const CommandLineRequest *request)
{
    if (request->numberResult == PHONE_LINK_NUMBER) {
        TextCopy(app.NumberBuffer, NUMBER_CAPACITY, request->number);
        app.numberEntryActive = 1;
    } else if (request->numberResult == PHONE_LINK_TOO_LONG) {
        RefuseText(L"The number of the link \"%s\" is too long to dial.", link);
    } else {
        RefuseText(L"The link \"%s\" holds no phone number.", link);
    }
}

// A number the chooser could only give cut short would call someone else;
// one the contact store holds as text that is no number is not dialled.
// The chooser, its message and the dial are one dial: a second start that
// comes during any of them waits for its end.
static void DialChosenContact(void)
{
    WCHAR name[PATH_CAPACITY] = L"";
    WCHAR number[PATH_CAPACITY] = L"";
    WCHAR read[PATH_CAPACITY] = L"";
    app.dialInProgress = 1;
    HRESULT chosen = ChooseContactNumber(name, number);
    PhoneLinkResult result = SUCCEEDED(chosen) ? ReadWrittenNumber(read, PATH_CAPACITY, number) : PHONE_LINK_NUMBER;
    if (chosen == CHOSEN_NUMBER_TOO_LONG || result == PHONE_LINK_TOO_LONG)
        MessageBoxW(NULL, L"The chosen number is too long to dial.", L"Zembrik", MB_OK);
    else if (result == PHONE_LINK_NO_NUMBER)
        RefuseText(L"The chosen number \"%s\" is not a phone number.", number);
    else if (SUCCEEDED(chosen))
        DialNumber(read, name);
    app.dialInProgress = 0;
}

int ProcessCommandLine(const WCHAR *commandLine)
{
    WCHAR line[COMMAND_LINE_CAPACITY];
    CommandLineRequest request;
    ReadCommandLine(commandLine, line, &request);
    if (request.isLink) {
        TakeLink(line, &request);
        return 1;
    }
    if (request.chooseContact) {
        DialChosenContact();
        return 0;
    }
    if (request.hasName)
        TextCopy(app.calledPartyName, NAME_CAPACITY, request.name);
    if (!request.hasNumberText)
        return 1;
    if (request.numberResult == PHONE_LINK_TOO_LONG) {
        RefuseText(L"The number \"%s\" is too long to dial.", request.numberText);
        return 1;
    }
    if (request.numberResult != PHONE_LINK_NUMBER) {
        RefuseText(L"Nothing was dialled: \"%s\" is not a phone number.", request.numberText);
        return 1;
    }
    TextCopy(app.NumberBuffer, NUMBER_CAPACITY, request.number);
    DialExclusively(app.NumberBuffer, app.calledPartyName);
    return 0;
}

bool FindSiblingApp(WCHAR *path)
{
    GetProgramPath(path);
    TrimToParentFolder(path);
    TextAppend(path, PATH_CAPACITY, SIBLING_APP_RELATIVE_PATH);
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// Whatever a second start asks for can change the number: the screen is
// brought up to date, so that it shows what Call would dial.
static void HandOverCommandLine(HWND window, const WCHAR *commandLine)
{
    WCHAR numberBefore[NUMBER_CAPACITY];
    TextCopy(numberBefore, NUMBER_CAPACITY, app.NumberBuffer);
    BYTE entryBefore = app.numberEntryActive;
    ProcessCommandLine(commandLine);
    ShowNumberIfChanged(window, numberBefore, entryBefore);
}

// Each held start is handled as if it had arrived now, the oldest first;
// one that arrives during a held one's dial joins the end of the line.
bool HandleHeldHandOvers(HWND window)
{
    bool showsDialer = false;
    while (app.heldHandOverCount > 0 && !app.dialInProgress) {
        WCHAR commandLine[COMMAND_LINE_CAPACITY];
        TextCopy(commandLine, COMMAND_LINE_CAPACITY, app.heldHandOvers[0]);
        app.heldHandOverCount--;
        memmove(app.heldHandOvers[0], app.heldHandOvers[1], app.heldHandOverCount * sizeof(app.heldHandOvers[0]));
        showsDialer = ShowsDialer(commandLine) || showsDialer;
        HandOverCommandLine(window, commandLine);
    }
    return showsDialer;
}

// A start past the limit is refused, and asks again: those before it keep
// their turns.
static LRESULT HoldHandOver(const WCHAR *commandLine)
{
    if (app.heldHandOverCount >= HELD_HAND_OVER_LIMIT)
        return HAND_OVER_REFUSED;
    TextCopy(app.heldHandOvers[app.heldHandOverCount++], COMMAND_LINE_CAPACITY, commandLine);
    return HAND_OVER_TAKEN;
}

// On the desktop the second start's SetForegroundWindow does not restore a
// minimized window; the running dialer brings itself back instead.
static void BringDialerForward(HWND window)
{
    if (!IsWindowVisible(window))
        return;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

// A command line that would dial, open the chooser, change the name, show
// a link or say that its text is no number.
static bool CommandLineActs(const WCHAR *commandLine)
{
    WCHAR line[COMMAND_LINE_CAPACITY];
    CommandLineRequest request;
    ReadCommandLine(commandLine, line, &request);
    return request.chooseContact || request.hasName || request.hasNumberText || request.isLink;
}

LRESULT OnCopyData(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
    WCHAR commandLine[COMMAND_LINE_CAPACITY] = L"";
    if (data && data->lpData)
        TextCopyCount(commandLine, COMMAND_LINE_CAPACITY, (const WCHAR *)data->lpData, data->cbData / sizeof(WCHAR));
    if (app.endingAfterCommandLine)
        return HAND_OVER_REFUSED;
    if (app.dialInProgress) {
        // Delivered inside the running dial's message box or wait: held
        // until that dial has ended.
        LRESULT answer = CommandLineActs(commandLine) ? HoldHandOver(commandLine) : HAND_OVER_TAKEN;
        if (ZEMBRIK_DESKTOP && answer == HAND_OVER_TAKEN)
            BringDialerForward(window);
        return answer;
    }
    if (ZEMBRIK_DESKTOP)
        BringDialerForward(window);
    HandOverCommandLine(window, commandLine);
    HandleHeldHandOvers(window);
    return HAND_OVER_TAKEN;
}

LRESULT OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    (void)message;
    (void)wParam;
    (void)lParam;
    CoUninitialize();
    RegistryCloseNotification(app.serviceNotifyHandle);
    app.serviceNotifyHandle = NULL;
    CloseStatusNotifications();
    PostQuitMessage(0);
    return 0;
}
