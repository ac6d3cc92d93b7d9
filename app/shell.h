// The application shell: start-up, the window procedure and its handlers.
#pragma once
#include "app/app_state.h"
#include "app/command_line.h"

// The state a process starts with: zero, but for the few values below.
void ResetAppState(void);
HWND InitInstance(HINSTANCE instance, const WCHAR *commandLine, int showCommand);
int ProcessCommandLine(const WCHAR *commandLine);
bool FindSiblingApp(WCHAR *path);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Handles, in turn, the second starts held while a dial ran; true when one
// of them was a link or text that is no number, which the window must show.
bool HandleHeldHandOvers(HWND window);
// DialNumber, one at a time: while a dial runs, another one is refused.
HRESULT DialExclusively(const WCHAR *number, const WCHAR *calledPartyName);

// Handlers of the window procedure's message table (app/window.cpp) that
// live beside what they handle.
LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnCopyData(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// LoadSettings, and the number display brought up to date when it refilled
// the number.
void ReloadSettings(HWND window);
// After the number may have changed outside typing: rebuilds the display and
// repaints when the number or its entry state differs from before.
void ShowNumberIfChanged(HWND window, const WCHAR *numberBefore, BYTE entryBefore);

// Keypad input
KeyCode MapVirtualKeyToKeyCode(UINT vk);
LRESULT OnPenDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnPenMove(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnPenUp(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnKeyUp(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnHoldTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// One piece of the work that waits until the first frame is shown.
LRESULT OnIdleWork(HWND window);
LRESULT OnContextMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
