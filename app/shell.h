// The application shell: start-up, the window procedure and its handlers.
#pragma once
#include "app/app_state.h"

HWND InitInstance(HINSTANCE instance, const WCHAR *commandLine, int showCommand);
int ProcessCommandLine(const WCHAR *commandLine);
bool FindSiblingApp(WCHAR *path);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What a command line asks for, before any of it is acted on.
struct CommandLineRequest {
    BOOL chooseContact;
    BOOL hasName;
    WCHAR name[NAME_CAPACITY];
    WCHAR number[NUMBER_CAPACITY];
};
void ParseCommandLine(const WCHAR *commandLine, CommandLineRequest *request);

LRESULT OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnCopyData(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnSize(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnStatusChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnSettingsChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Keypad input
KeyCode HitTestKey(int x, int y);
KeyCode MapVirtualKeyToKeyCode(UINT vk);
void SetHighlightFromPoint(int x, int y);
void SetHighlightFromKey(KeyCode key);
LRESULT OnPenDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnPenMove(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnPenUp(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnKeyUp(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnContextMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
