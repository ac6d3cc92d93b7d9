// The system-state values a phone's shell keeps in the registry, kept here
// from the desktop's own: the time (rewritten every minute, so that anyone
// watching it sees the minute turn), the battery where the desktop has one,
// and the network adapters. Values the desktop cannot tell (signal, operator,
// Bluetooth, sound mode) keep whatever is stored. The keeper starts with the
// first state notification a process asks for; REG_DWORD "ShellStateKeeper"
// = 0 under the device emulation key turns it off.
#include <winsock2.h>
#include <iphlpapi.h>

#include <mutex>
#include <vector>

#include "platform/emulation.h"
#include "platform/shell_state.h"

#define DATE_TIME_KEY L"System\\State\\DateTime"
#define BATTERY_KEY L"System\\State\\Battery"
#define HARDWARE_KEY L"System\\State\\Hardware"
#define CONNECTIONS_KEY L"System\\State\\Connections"
#define POLL_MS 2000
#define WIFI_POWERED_AND_CONNECTED 3

namespace
{

std::once_flag keeperStarted;

void SetStateValue(const WCHAR *key, const WCHAR *name, DWORD type, const void *data, DWORD size)
{
    std::vector<BYTE> stored(size);
    DWORD storedSize = size;
    DWORD storedType = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY | RRF_NOEXPAND, &storedType, stored.data(),
                     &storedSize) == ERROR_SUCCESS &&
        storedType == type && storedSize == size && memcmp(stored.data(), data, size) == 0)
        return;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, type, data, size);
}

void KeepTime(void)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    now.wSecond = 0;
    now.wMilliseconds = 0;
    FILETIME minute;
    SystemTimeToFileTime(&now, &minute);
    SetStateValue(DATE_TIME_KEY, L"Time", REG_BINARY, &minute, sizeof(minute));
}

void KeepBattery(void)
{
    SYSTEM_POWER_STATUS power;
    if (!GetSystemPowerStatus(&power) || (power.BatteryFlag & 128) || power.BatteryLifePercent > 100)
        return;
    DWORD main = (DWORD)power.BatteryLifePercent << 16;
    SetStateValue(BATTERY_KEY, L"Main", REG_DWORD, &main, sizeof(main));
}

void KeepNetwork(void)
{
    ULONG size = 16 * 1024;
    std::vector<BYTE> buffer(size);
    ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG result = GetAdaptersAddresses(AF_UNSPEC, flags, NULL, (IP_ADAPTER_ADDRESSES *)buffer.data(), &size);
    if (result == ERROR_BUFFER_OVERFLOW) {
        buffer.resize(size);
        result = GetAdaptersAddresses(AF_UNSPEC, flags, NULL, (IP_ADAPTER_ADDRESSES *)buffer.data(), &size);
    }
    if (result != ERROR_SUCCESS && result != ERROR_NO_DATA)
        return;
    DWORD connections = 0;
    DWORD wifi = 0;
    if (result == ERROR_SUCCESS) {
        for (IP_ADAPTER_ADDRESSES *adapter = (IP_ADAPTER_ADDRESSES *)buffer.data(); adapter; adapter = adapter->Next) {
            if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK)
                continue;
            connections++;
            if (adapter->IfType == IF_TYPE_IEEE80211)
                wifi = WIFI_POWERED_AND_CONNECTED;
        }
    }
    SetStateValue(CONNECTIONS_KEY, L"Count", REG_DWORD, &connections, sizeof(connections));
    SetStateValue(HARDWARE_KEY, L"WiFi", REG_DWORD, &wifi, sizeof(wifi));
}

DWORD MillisecondsToNextMinute(void)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return (60 - now.wSecond) * 1000 - now.wMilliseconds;
}

DWORD WINAPI KeepState(void *)
{
    for (;;) {
        KeepTime();
        KeepBattery();
        KeepNetwork();
        DWORD wait = MillisecondsToNextMinute();
        Sleep(wait < POLL_MS ? wait + 20 : POLL_MS);
    }
}

} // namespace

void StartShellStateKeeper(void)
{
    std::call_once(keeperStarted, [] {
        if (EmulationGetDWORD(L"ShellStateKeeper", 1) == 0)
            return;
        HANDLE thread = CreateThread(NULL, 0, KeepState, NULL, 0, NULL);
        if (thread)
            CloseHandle(thread);
    });
}
