// The five tabs of the strip along the bottom, in one table: what a tap on
// each one does and where its icons are in the skin. The tap, the command
// that opens a tab and the drawing of the strip all take the tabs from it;
// the split of the strip into tabs is display/layout_math.h's.
#pragma once
#include "app/app_state.h"

struct TabStripTab {
    // The command a tap on the tab posts; 0 for the keypad's own tab, where
    // a tap does nothing.
    WPARAM command;
    // What the command asks of the companion app: the option that starts it
    // at this tab; NULL for the keypad's tab.
    const WCHAR *companionOption;
    // The left edge of the tab's two icons in the skin, plain and selected.
    int skinLeft;
};

// In the order of the tab indices of base/capacities.h, left to right.
extern const TabStripTab TabStrip[TAB_COUNT];

// The tab a command opens; -1 for a command that opens none.
int TabOfCommand(WPARAM command);
