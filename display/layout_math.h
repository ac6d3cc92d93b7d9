// The arithmetic of the layout and of the status values: pure functions of
// the metrics, the client rectangle and the stored numbers.
#pragma once
#include "base/capacities.h"

struct LayoutMetrics {
    int tabStripHeight;
    int statusBarHeight;
    int numberFontHeight;
    int digitFontHeight;
    int smallFontHeight;
    int statusFontHeight;
    int tabIconWidth;
    int scaleUnit;
};

// The metrics of a 96 dpi screen, which ScaleLayoutMetrics scales from.
extern const LayoutMetrics BASE_LAYOUT_METRICS;

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

// The tab strip's split into TAB_COUNT tabs, which the tap and the drawing
// share. The tab under x, the strip taken from the client's left edge (x 0)
// to its right; -1 for an x outside that.
int TabIndexAt(const RECT *strip, int x);
// The left edge of a tab's icon, iconWidth wide, on the tab's centre: an
// odd number of half-tab widths, each rounded down, from the strip's left.
int TabIconLeft(const RECT *strip, int tab, int iconWidth);

int SignalLevelFromRaw(int raw);
int BatteryLevelFromMain(DWORD main);
