// Helpers shared by the tests: the real registry, files beside the test
// executable, and message pumping for windows made by the tests.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/shell.h"
#include "support/text_support.h"

void DeleteSettingsKey();
void DeleteDeviceEmulationKey();
// No settings, no emulation settings, no calls, a zero AppState.
void StartFreshDevice();

void SetSettingValue(const wchar_t *name, const std::wstring &text);
// The stored REG_SZ text; present says whether the value exists at all.
std::wstring GetSettingValue(const wchar_t *name, bool *present = nullptr);
void SetEmulationDWORD(const wchar_t *name, DWORD value);
void SetEmulationString(const wchar_t *name, const std::wstring &text);

std::wstring ExecutableFolder();
std::string ReadFileBytes(const std::wstring &path);
// Writes the file anew with exactly these bytes (a test failure if it cannot).
void WriteFileBytes(const std::wstring &path, const std::string &bytes);
std::wstring CallsLogPath();
// The calls log at path as it read before its time column: each line's
// third column is checked to be a time of the form 2026-12-09T14:05:09, and
// left out ("5551234\tJane Doe\n").
std::string CallsLogWithoutTimes(const std::wstring &path);
void DeleteCallsLog();

// Dispatches messages until done() holds or the time runs out; returns done().
bool PumpMessagesUntil(const std::function<bool()> &done, DWORD timeoutMs);
void PumpMessagesFor(DWORD ms);

// Starts the program with the arguments and returns its process handle,
// or NULL after recording a failure.
HANDLE StartProgram(const std::wstring &exe, const std::wstring &arguments);
// Another program's message box with that caption, once it shows (NULL
// after 20 s), and the text of a window or of a message box.
HWND WaitForMessageBox(const wchar_t *caption);
std::wstring WindowText(HWND window);
std::wstring MessageBoxText(HWND box);
// Real X input: xdotool with the arguments, run by Wine as the Unix
// program it is; true once it has ended, within ten seconds.
bool XInput(const std::string &xdotoolArguments);
// The xdotool move to the middle of the box, or of the window's rectangle.
std::string PointerAt(const RECT &box);
std::string PointerAt(HWND window);
// The screen's pixels in the area, row by row, as 0x00RRGGBB.
std::vector<DWORD> ScreenPixels(const RECT &area);
// Runs a program to its end with the given arguments; returns its exit code.
DWORD RunProgram(const std::wstring &exe, const std::wstring &arguments, DWORD timeoutMs = 30000);

// Every message box the tests' thread shows is recorded and dismissed with
// OK at once, so that no test can hang on one.
struct CapturedBox {
    std::wstring caption;
    std::wstring text;
};
std::vector<CapturedBox> &CapturedMessageBoxes();
// The texts of the boxes captured so far, each checked to be captioned
// "Zembrik" as every box of the program is.
std::vector<std::wstring> CapturedBoxTexts();
// Whether a dial left the number as the last dialled one.
bool LastDialedStored();
// Instead of pressing OK, hands every dialog that opens to the handler
// (which must end it); an empty handler restores the default.
void SetDialogHandler(const std::function<void(HWND dialog)> &handler);
