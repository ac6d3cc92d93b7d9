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

// Where an installer records the folder it installed the programs into
// (REG_SZ under HKEY_LOCAL_MACHINE).
#define INSTALL_KEY L"Software\\Orvendel\\Zembrik"
#define INSTALL_FOLDER_VALUE L"InstallFolder"
// The folder, in the user's application data, of an installed copy's files.
#define USER_DATA_FOLDER_NAME L"Zembrik"

// The folder of the files the device writes for the user (the calls log, the
// contact store), with its trailing backslash; empty when there is none.
// An installed copy (one in the folder that the install recorded) writes in
// the user's application data; any other copy (a build folder, an unpacked
// archive) beside its executable.
void EmulationDataFolder(WCHAR *out, DWORD capacity);
