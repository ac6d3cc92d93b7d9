// The command dispatcher: every user action ends here as a posted
// WM_COMMAND, and this is the one place where the typed number is edited.
#include "app/shell.h"
#include "app/tabs.h"
#include "base/text.h"
#include "device/contacts.h"
#include "dialing/dialing.h"
#include "settings/settings.h"

#define MAX_NUMBER_LENGTH (NUMBER_CAPACITY - 1)

// A tab of the strip is a page of the companion app: the app is started at
// it, and the strip shows it selected until the dialer is activated again.
static void StartSiblingApp(int tab)
{
    WCHAR path[PATH_CAPACITY];
    if (!FindSiblingApp(path))
        return;
    app.selectedTab = tab;
    WCHAR commandLine[16];
    TextCopy(commandLine, 16, TabStrip[tab].companionOption);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    // The phone takes no start-up information: it must be left out there.
    if (CreateProcessW(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, ZEMBRIK_DESKTOP ? &startup : NULL,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

static void TypeKey(KeyCode key)
{
    size_t length = TextLength(app.NumberBuffer);
    if (!app.numberEntryActive) {
        app.numberEntryActive = 1;
        length = 0;
    }
    if (length >= MAX_NUMBER_LENGTH)
        return;
    app.NumberBuffer[length] = key;
    app.NumberBuffer[length + 1] = 0;
    FormatDisplayNumber();
}

static void EraseLastKey(void)
{
    if (!app.numberEntryActive) {
        app.numberEntryActive = 1;
        app.NumberBuffer[0] = 0;
    } else {
        size_t length = TextLength(app.NumberBuffer);
        if (length > 0)
            app.NumberBuffer[length - 1] = 0;
    }
    FormatDisplayNumber();
}

static void OnKeyCommand(HWND window, KeyCode key)
{
    switch (key) {
    case KEY_BACKSPACE:
        EraseLastKey();
        break;
    case KEY_NEW_CONTACT:
        AddContactFromNumber();
        break;
    case KEY_CALL:
        PostMessageW(window, WM_COMMAND, CMD_DIAL, 0);
        break;
    default:
        TypeKey(key);
        break;
    }
}

HRESULT DialExclusively(const WCHAR *number, const WCHAR *calledPartyName)
{
    // A Call tapped while a dial's message box shows would start a second
    // dial inside the first; it is dropped.
    if (app.dialInProgress)
        return E_FAIL;
    app.dialInProgress = 1;
    HRESULT result = DialNumber(number, calledPartyName);
    app.dialInProgress = 0;
    return result;
}

// The phone's shell takes activation from a window that minimizes, and the
// dialer's activation handler ends it or lets it wait from there. Wine keeps
// the minimized window active instead: it would neither end nor come back at
// a click on what is left of it, since a click activates only an inactive
// window. There activation is handed away as the phone's shell would.
static void MinimizeDialer(HWND window)
{
    ShowWindow(window, SW_MINIMIZE);
    if (ZEMBRIK_DESKTOP && GetActiveWindow() == window)
        SetActiveWindow(NULL);
}

static void DialAndMinimize(HWND window, const WCHAR *number, const WCHAR *calledPartyName)
{
    if (SUCCEEDED(DialExclusively(number, calledPartyName))) {
        app.numberEntryActive = 0;
        MinimizeDialer(window);
    }
    HandleHeldHandOvers(window);
}

// Without its own number the phone has no voicemail to call: the lookup
// that found nothing leaves only "+" and the country code.
static void DialVoicemail(HWND window)
{
    if (OwnNumberIsKnown(app.myNumber, app.countryCode))
        DialAndMinimize(window, app.myNumber, L"Voicemail");
}

static void SelectNextService(void)
{
    app.selectedService = (app.selectedService + 1) % app.serviceCount;
    WCHAR text[PATH_CAPACITY];
    TextFormat(text, PATH_CAPACITY, L"%d", app.selectedService);
    WriteSetting(SETTINGS_KEY, text, SELECTED_SERVICE_VALUE);
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case CMD_KEY:
        OnKeyCommand(window, (KeyCode)lParam);
        break;
    case CMD_CLEAR:
        app.NumberBuffer[0] = 0;
        FormatDisplayNumber();
        break;
    case CMD_DIAL:
        DialAndMinimize(window, app.NumberBuffer, app.calledPartyName);
        break;
    case CMD_RELOAD_SETTINGS:
        ReloadSettings(window);
        break;
    case CMD_VOICEMAIL:
        DialVoicemail(window);
        break;
    case CMD_NEXT_SERVICE:
        SelectNextService();
        break;
    case CMD_CALL_KEY:
        PostMessageW(window, WM_COMMAND, CMD_DIAL, 0);
        break;
    case CMD_MINIMIZE:
        MinimizeDialer(window);
        break;
    default: {
        int tab = TabOfCommand(wParam);
        if (tab >= 0)
            StartSiblingApp(tab);
        break;
    }
    }
    InvalidateRect(window, &app.clientRect, FALSE);
    UpdateWindow(window);
    return DefWindowProcW(window, message, wParam, lParam);
}
