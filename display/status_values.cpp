// The status bar's numbers from the values the shell stores.
#include "display/layout_math.h"

int SignalLevelFromRaw(int raw)
{
    return (int)(raw * 0.05);
}

int BatteryLevelFromMain(DWORD main)
{
    return (int)((main >> 16) * 0.21 + 0.5);
}
