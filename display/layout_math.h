// The arithmetic of the layout and of the status values: pure functions of
// the metrics, the client rectangle and the stored numbers.
#pragma once
#include "app/capacities.h"

struct LayoutMetrics {
    int tabStripHeight = 40;
    int statusBarHeight = 16;
    int numberFontHeight = 32;
    int digitFontHeight = 24;
    int smallFontHeight = 12;
    int statusFontHeight = 13;
    int tabIconWidth = 48;
    int scaleUnit = 1;
};

// The rectangles of one layout, derived from the client rectangle alone.
struct LayoutRects {
    RECT statusBar;
    RECT serviceTitle;
    RECT keypadArea;
    RECT numberDisplay;
    RECT tabStrip;
    RECT keys[KEY_COUNT];
};

// Each metric times dpi / 96, rounded to the nearest, above 96 dpi only.
void ScaleLayoutMetrics(LayoutMetrics *metrics, int dpi);
void ComputeLayoutRects(const RECT *client, const LayoutMetrics *metrics, LayoutRects *rects);
// a * b / c rounded to the nearest, halves away from zero; -1 for c = 0.
int MultiplyDivide(int a, int b, int c);

int SignalLevelFromRaw(int raw);
int BatteryLevelFromMain(DWORD main);
