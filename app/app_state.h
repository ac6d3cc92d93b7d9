// The program's one state record, its commands and its private messages.
// Only the UI thread touches AppState.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <regext.h>
#include <wfmtmidi.h>

#include "app/entry_point.h"
#include "app/window_interface.h"
#include "base/capacities.h"
#include "display/layout_math.h"
#include "settings/setting_table.h"

#define EXIT_CODE_EARLY_END 16
// Second starts held while a dial runs; one more than this is refused, and
// asks again.
#define HELD_HAND_OVER_LIMIT 8
// A running dialer's answer to a second start's WM_COPYDATA. Taken: handled
// or held for its turn (TRUE, as Windows expects of a window that processed
// the message). Refused: the dialer is ending or holds all it can; the start
// asks again, and dials itself once no dialer runs.
#define HAND_OVER_TAKEN 1
#define HAND_OVER_REFUSED 2
// How long a refused start waits before it asks again.
#define HAND_OVER_RETRY_MS 50

// The window's timers: a held key's, and the ticks of the work that waits
// until the first frame is shown.
#define HOLD_TIMER_ID 10016
#define IDLE_WORK_TIMER_ID 10017
#define IDLE_WORK_TICK_MS 10

#define WM_STATUS_CHANGED (WM_APP + 99)
#define STATUS_WATCH_COUNT 7 // the device state values the status bar watches
#define WM_SETTINGS_CHANGED (WM_APP + 100)
#define SETTINGS_NOTIFY_USER_DATA 35

struct ServiceRecord {
    ServiceType type;
    WCHAR title[SERVICE_FIELD_CAPACITY];
    WCHAR username[SERVICE_FIELD_CAPACITY];
    WCHAR password[SERVICE_FIELD_CAPACITY];
    // Click-to-dial's URL template; a stored one too long for it is marked,
    // so that a dial says so rather than that none is set.
    WCHAR url[SERVICE_URL_CAPACITY];
    BYTE urlTooLong;
};

#define TIME_TEXT_CAPACITY 12
#define OPERATOR_NAME_CAPACITY 50

struct DeviceStatus {
    BYTE hasConnections;
    BYTE bluetoothBit2;
    BYTE wifiBit1;
    BYTE soundModeOne;
    BYTE soundModeZero;
    BYTE bluetoothBit0;
    WCHAR timeText[TIME_TEXT_CAPACITY];
    int signalLevel;
    WCHAR operatorName[OPERATOR_NAME_CAPACITY];
    int batteryLevel;
};

// The advance widths of the characters ' ' to '9' in the number's font at
// one height (0: not known yet), so that a number's width at that height
// is a sum rather than a font made to measure it.
#define NUMBER_WIDTH_FIRST L' '
#define NUMBER_WIDTH_LAST L'9'
#define NUMBER_WIDTH_TABLES 48
struct NumberWidths {
    int height;
    WORD advance[NUMBER_WIDTH_LAST - NUMBER_WIDTH_FIRST + 1];
};

// A memory device context with its bitmap selected.
struct Surface {
    HDC dc;
    HBITMAP bitmap;
};

struct AppState {
    // Start-up and shell
    HREGNOTIFY serviceNotifyHandle;
    HREGNOTIFY statusNotifyHandles[STATUS_WATCH_COUNT];
    BYTE siblingAppPresent;
    WCHAR calledPartyName[NAME_CAPACITY];
    int selectedTab;
    BYTE penIsDown;
    BYTE keyIsDown;
    // Desktop: until this tick, pen-downs are the rest of the double click
    // that brought the minimized dialer back, not taps on its keys.
    DWORD penIgnoredUntil;
    BYTE windowClosing;
    // A dial (or the contact chooser that leads to one) is running; the
    // second starts that arrive meanwhile are held, in their order, not
    // nested.
    BYTE dialInProgress;
    // Set while a window that dialled from its command line is destroyed:
    // whatever reaches it then is refused, to be asked again elsewhere.
    BYTE endingAfterCommandLine;
    int heldHandOverCount;
    WCHAR heldHandOvers[HELD_HAND_OVER_LIMIT][COMMAND_LINE_CAPACITY];

    // The number
    WCHAR NumberBuffer[NUMBER_CAPACITY];
    WCHAR DisplayNumber[NUMBER_CAPACITY];
    BYTE numberEntryActive;
    WCHAR lastErrorText[ERROR_TEXT_CAPACITY];

    // Settings
    WCHAR dialPlan[DIAL_PLAN_CAPACITY];
    WCHAR skinImagePath[PATH_CAPACITY];
    WCHAR countryCode[COUNTRY_CODE_CAPACITY];
    BYTE exitOnMinimize;
    WCHAR myNumber[NUMBER_CAPACITY];
    ServiceRecord serviceRecords[MAX_SERVICES];
    int serviceCount;
    int selectedService;

    // Layout
    LayoutMetrics metrics;
    HFONT numberFont;
    HFONT digitFont;
    HFONT statusFont;
    HFONT smallFont;
    // The number's font as fitted to the display's width, and its height;
    // the font is null while the number fits at numberFontHeight.
    HFONT fittedNumberFont;
    int fittedNumberHeight;
    // Indexed by height / 2: the heights that fitting has already met.
    NumberWidths numberWidths[NUMBER_WIDTH_TABLES];
    RECT clientRect;
    RECT statusBarRect;
    RECT serviceTitleRect;
    RECT keypadAreaRect;
    RECT numberDisplayRect;
    RECT tabStripRect;
    RECT keyRects[KEY_COUNT];
    Surface backBuffer;
    Surface keypadSurface;
    Surface highlightSurface;
    SIZE surfaceSize; // the client size the three surfaces were made for
    HBITMAP SkinBitmap;
    HDC skinSurface;
    // The default skin's copy in the program, drawn from while no skin file
    // is loaded; made at the first layout that needs it.
    HBITMAP builtInSkin;
    // The skin file as it was when it could not be loaded: it is not
    // decoded again until its size or time changes (or it appears).
    BYTE skinFileFailed;
    WIN32_FILE_ATTRIBUTE_DATA failedSkinFile;

    // The pressed key or area
    KeyCode pressedKey;
    // The press in progress has run its hold action: its repeats and its
    // release type nothing.
    BYTE holdActionTaken;
    RECT highlightRect;
    POINT penPoint;

    // Status bar
    DeviceStatus status;

    // Key tones
    HWAVEOUT toneDevice;
    WAVEHDR toneHeader;
    BYTE keyTonesPrepared; // the wave device was asked to ready its output
    WAVEFORMAT_MIDI_MESSAGE toneEvents[3];
};

extern AppState app;
