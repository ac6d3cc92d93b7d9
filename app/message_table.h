// A window procedure's dispatch: a constant table of (message, handler)
// pairs, and whatever it does not name goes to DefWindowProcW.
#pragma once
#include <windows.h>

typedef LRESULT (*MessageHandler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct MessageRoute {
    UINT message;
    MessageHandler handler;
};

inline LRESULT RouteMessage(const MessageRoute *table, size_t count, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam)
{
    for (size_t i = 0; i < count; i++) {
        if (table[i].message == message)
            return table[i].handler(window, message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
