// Where the phone's shell keeps the system state in the registry, named as
// the SDK's state-notification header names them: for each value its root
// key, key path and value name. Only the values this program reads are
// here; those the SDK gives no name (the raw signal reading, the shell's
// sound mode override) are named in the same style. The program reads each
// value whole and takes its bits itself.
#pragma once
#include <windows.h>

// The signal strength as the radio reports it.
#define SN_PHONESIGNALSTRENGTHRAW_ROOT HKEY_LOCAL_MACHINE
#define SN_PHONESIGNALSTRENGTHRAW_PATH TEXT("System\\State\\Phone")
#define SN_PHONESIGNALSTRENGTHRAW_VALUE TEXT("Signal Strength Raw")

#define SN_PHONEOPERATORNAME_ROOT HKEY_LOCAL_MACHINE
#define SN_PHONEOPERATORNAME_PATH TEXT("System\\State\\Phone")
#define SN_PHONEOPERATORNAME_VALUE TEXT("Current Operator Name")

// The local time, rewritten as each minute turns.
#define SN_TIME_ROOT HKEY_LOCAL_MACHINE
#define SN_TIME_PATH TEXT("System\\State\\DateTime")
#define SN_TIME_VALUE TEXT("Time")

// The main battery: its charge in percent in the high word.
#define SN_POWERBATTERYSTRENGTH_ROOT HKEY_LOCAL_MACHINE
#define SN_POWERBATTERYSTRENGTH_PATH TEXT("System\\State\\Battery")
#define SN_POWERBATTERYSTRENGTH_VALUE TEXT("Main")

#define SN_BLUETOOTHSTATEPOWERON_ROOT HKEY_LOCAL_MACHINE
#define SN_BLUETOOTHSTATEPOWERON_PATH TEXT("System\\State\\Hardware")
#define SN_BLUETOOTHSTATEPOWERON_VALUE TEXT("Bluetooth")

#define SN_WIFISTATEPOWERON_ROOT HKEY_LOCAL_MACHINE
#define SN_WIFISTATEPOWERON_PATH TEXT("System\\State\\Hardware")
#define SN_WIFISTATEPOWERON_VALUE TEXT("WiFi")

// How many data connections are up.
#define SN_CONNECTIONSCOUNT_ROOT HKEY_LOCAL_MACHINE
#define SN_CONNECTIONSCOUNT_PATH TEXT("System\\State\\Connections")
#define SN_CONNECTIONSCOUNT_VALUE TEXT("Count")

// The sound mode, as the shell overrides its profile with it.
#define SN_SOUNDMODEOVERRIDE_ROOT HKEY_CURRENT_USER
#define SN_SOUNDMODEOVERRIDE_PATH TEXT("ControlPanel\\Notifications\\ShellOverrides")
#define SN_SOUNDMODEOVERRIDE_VALUE TEXT("Mode")
