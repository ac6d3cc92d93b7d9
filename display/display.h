// The screen: layout metrics and rectangles, fonts, and the status values
// that the status bar shows.
#pragma once
#include "app/app_state.h"

#define STATUS_SIGNAL 1
#define STATUS_OPERATOR 2
#define STATUS_TIME 4
#define STATUS_BATTERY 8
#define STATUS_BLUETOOTH 16
#define STATUS_SOUND_MODE 32
#define STATUS_NETWORK 64
#define STATUS_ALL 255

// The rectangles of one layout, derived from the client rectangle alone.
struct LayoutRects {
    RECT statusBar;
    RECT serviceTitle;
    RECT keypadArea;
    RECT numberDisplay;
    RECT tabStrip;
    RECT keys[KEY_COUNT];
};

void ScaleMetricsForDpi(int dpi);
void ScaleLayoutMetrics(LayoutMetrics *metrics, int dpi);
HFONT CreateUiFont(int height, BOOL bold, BYTE italic);
void ComputeLayout(HWND window);
void ComputeLayoutRects(const RECT *client, const LayoutMetrics *metrics, LayoutRects *rects);

void RegisterStatusNotifications(HWND window);
void ReadStatus(UINT mask);
int SignalLevelFromRaw(int raw);
int BatteryLevelFromMain(DWORD main);
