// The settings program's entry point and main window: the bar with the
// title, Save and Cancel along the top, the form below it. Save writes and
// ends; Cancel, Escape and closing end without writing anything.
#include <aygshell.h>
#include <sipapi.h>

#include "app/full_screen.h"
#include "app/message_table.h"
#include "base/text.h"
#include "settings_program/settings_program.h"

SettingsState settings;

// The form's type size, in points: the phone's own for dialogs.
#define FONT_POINTS 9

static HFONT MakeFont(int dpi, LONG weight)
{
    LOGFONTW font;
    ZeroMemory(&font, sizeof(font));
    font.lfHeight = -((FONT_POINTS * dpi + 36) / 72);
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    TextCopy(font.lfFaceName, LF_FACESIZE, L"Tahoma");
    return CreateFontIndirectW(&font);
}

// Every measure of the form follows the font's line, and so the screen's
// density.
static bool MakeFonts(void)
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    settings.font = MakeFont(dpi, FW_NORMAL);
    settings.headingFont = MakeFont(dpi, FW_BOLD);
    TEXTMETRICW metrics;
    HGDIOBJ old = SelectObject(screen, settings.font);
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(NULL, screen);
    settings.lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    return settings.font && settings.headingFont && settings.lineHeight > 0;
}

static int TextWidth(HWND control)
{
    WCHAR text[32];
    GetWindowTextW(control, text, 32);
    SIZE size = {0, 0};
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, settings.font);
    GetTextExtentPoint32W(dc, text, (int)TextLength(text), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

static void LayOutWindow(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    int margin = settings.lineHeight / 2;
    int height = settings.lineHeight + settings.lineHeight / 2 + 2;
    settings.barHeight = height + 2 * margin;
    int right = client.right - margin;
    HWND buttons[] = {settings.cancelButton, settings.saveButton};
    for (size_t i = 0; i < ARRAY_COUNT(buttons); i++) {
        int width = TextWidth(buttons[i]) + 2 * settings.lineHeight;
        right -= width;
        MoveWindow(buttons[i], right, margin, width, height, TRUE);
        right -= margin;
    }
    MoveWindow(settings.title, margin, margin + (height - settings.lineHeight) / 2, right - margin,
               settings.lineHeight + 2, TRUE);
    MoveWindow(settings.form, 0, settings.barHeight, client.right, client.bottom - settings.barHeight, TRUE);
    LayOutForm();
}

static HWND CreateBarControl(HWND window, const WCHAR *className, const WCHAR *text, DWORD style, int id)
{
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window,
                                   (HMENU)(INT_PTR)id, settings.instance, NULL);
    SendMessageW(control, WM_SETFONT, (WPARAM)(id ? settings.font : settings.headingFont), FALSE);
    return control;
}

static bool CreateBar(HWND window)
{
    // The window's title names the program; on a 240-pixel screen the bar
    // has room only for what it is.
    settings.title = CreateBarControl(window, L"STATIC", L"Settings", SS_LEFT | SS_NOPREFIX, 0);
    settings.saveButton = CreateBarControl(window, L"BUTTON", L"Save", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
    settings.cancelButton = CreateBarControl(window, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL);
    return settings.title && settings.saveButton && settings.cancelButton;
}

static LRESULT OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) != WA_INACTIVE)
        FillScreen(window, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON);
    return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT OnSize(HWND window, UINT, WPARAM, LPARAM)
{
    if (settings.form)
        LayOutWindow(window);
    return 0;
}

static LRESULT OnCommand(HWND window, UINT, WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) == IDOK && SaveForm())
        DestroyWindow(window);
    else if (LOWORD(wParam) == IDCANCEL)
        DestroyWindow(window);
    return 0;
}

static LRESULT OnClose(HWND window, UINT, WPARAM, LPARAM)
{
    DestroyWindow(window);
    return 0;
}

static LRESULT OnDestroy(HWND, UINT, WPARAM, LPARAM)
{
    SipShowIM(SIPF_OFF);
    PostQuitMessage(0);
    return 0;
}

// The input panel came up or went: the form's room changed, and the field
// being typed in stays in sight.
static LRESULT OnSettingChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (wParam != SPI_SETSIPINFO)
        return DefWindowProcW(window, message, wParam, lParam);
    LayOutForm();
    ShowFieldInView(GetFocus());
    return 0;
}

static const MessageRoute MessageTable[] = {
    {WM_ACTIVATE, OnActivate}, {WM_SIZE, OnSize},       {WM_COMMAND, OnCommand},
    {WM_CLOSE, OnClose},       {WM_DESTROY, OnDestroy}, {WM_SETTINGCHANGE, OnSettingChange},
};

static LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(MessageTable, ARRAY_COUNT(MessageTable), window, message, wParam, lParam);
}

static bool RegisterClasses(void)
{
    WNDCLASSW windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = settings.instance;
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = SETTINGS_CLASS_NAME;
    if (!RegisterClassW(&windowClass))
        return false;
    windowClass.lpfnWndProc = FormWndProc;
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = SETTINGS_FORM_CLASS_NAME;
    return RegisterClassW(&windowClass) != 0;
}

// As the dialer's: the work area and no frame, then the whole screen at
// the first activation.
static HWND CreateMainWindow(void)
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    DWORD style = ZEMBRIK_DESKTOP ? WS_POPUP | WS_SYSMENU : WS_SYSMENU;
    return CreateWindowExW(WS_EX_CONTROLPARENT, SETTINGS_CLASS_NAME, SETTINGS_TITLE, style, work.left, work.top,
                           work.right - work.left, work.bottom - work.top, NULL, NULL, settings.instance, NULL);
}

// A second start brings the first one forward: two forms over one key
// would each save over the other.
static bool ShowRunningCopy(void)
{
    HWND running = FindWindowW(SETTINGS_CLASS_NAME, NULL);
    if (running)
        SetForegroundWindow(running);
    return running != NULL;
}

static bool InitInstance(HINSTANCE instance, int showCommand)
{
    settings.instance = instance;
    if (ShowRunningCopy() || !RegisterClasses() || !MakeFonts())
        return false;
    settings.window = CreateMainWindow();
    if (!settings.window || !CreateBar(settings.window) || !CreateForm(settings.window) || !LoadForm())
        return false;
    LayOutWindow(settings.window);
    ShowWindow(settings.window, showCommand);
    UpdateWindow(settings.window);
    SetFocus(FieldControl(SERVICE_CHOICE_FIELD));
    return true;
}

int WINAPI ZEMBRIK_ENTRY_POINT(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    if (!InitInstance(instance, showCommand))
        return 0;
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0)) {
        if (IsDialogMessageW(settings.window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return (int)message.wParam;
}
