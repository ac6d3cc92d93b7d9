// Settings of the emulated device, kept under HKEY_LOCAL_MACHINE
// "Software\DeviceEmulation" so that tests and users can change them with
// any registry tool, from any process.
#pragma once
#include <windows.h>

#define DEVICE_EMULATION_KEY L"Software\\DeviceEmulation"

DWORD EmulationGetDWORD(const WCHAR *valueName, DWORD defaultValue);
void EmulationGetString(const WCHAR *valueName, WCHAR *out, DWORD capacity, const WCHAR *defaultText);
// The folder of the running executable, with its trailing backslash.
void EmulationExecutableFolder(WCHAR *out, DWORD capacity);
