// The tab strip's table: the four tabs that start the companion app at its
// own pages, around the keypad's tab, which is this window.
#include "app/tabs.h"

const TabStripTab TabStrip[TAB_COUNT] = {
    {CMD_FAVORITES, L"-favorites", 0}, // FAVORITES_TAB
    {CMD_RECENTS, L"-recents", 48},    // RECENTS_TAB
    {CMD_CONTACTS, L"-contacts", 96},  // CONTACTS_TAB
    {0, NULL, 144},                    // KEYPAD_TAB
    {CMD_SEARCH, L"-search", 192},     // SEARCH_TAB
};

int TabOfCommand(WPARAM command)
{
    if (command == 0)
        return -1;
    for (int tab = 0; tab < TAB_COUNT; tab++) {
        if (TabStrip[tab].command == command)
            return tab;
    }
    return -1;
}
