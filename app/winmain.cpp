#include "app/shell.h"

int WINAPI ZEMBRIK_ENTRY_POINT(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand)
{
    (void)previousInstance;
    if (!InitInstance(instance, commandLine, showCommand))
        return EXIT_CODE_EARLY_END;
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return (int)message.wParam;
}
