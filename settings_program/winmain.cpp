#include <windows.h>

#include "app/entry_point.h"

int WINAPI ZEMBRIK_ENTRY_POINT(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    (void)instance;
    MessageBoxW(NULL, L"Zembrik Settings", L"Zembrik Settings", MB_OK);
    return 0;
}
