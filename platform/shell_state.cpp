// The system-state values a phone's shell keeps in the registry, kept here
// from the desktop's own: the time (rewritten every minute, so that anyone
// watching it sees the minute turn), the battery where the desktop has one,
// and the network adapters. Values the desktop cannot tell (signal, operator,
// Bluetooth, sound mode) keep whatever is stored. The keeper starts with the
// first state notification a process asks for; REG_DWORD "ShellStateKeeper"
// = 0 under the device emulation key turns it off.
//
// The keeper sleeps until the next minute turns and looks at everything
// then, so an idle process wakes once a minute. A change of the network's
// addresses wakes it at once where the desktop reports one (NotifyAddrChange;
// Wine only stubs it, and Wine has no power notification either, so there the
// minute's look is what finds those changes).
#include <winsock2.h>
#include <iphlpapi.h>
#include <snapi.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/emulation.h"
#include "platform/shell_state.h"

// Wakes just after the minute has turned, never just before it.
#define PAST_THE_MINUTE_MS 20
#define WIFI_POWERED_AND_CONNECTED 3

namespace
{

std::once_flag keeperStarted;
std::atomic<DWORD> keeperThreadId{0};

// True when the value had to be written.
bool SetStateValue(HKEY root, const WCHAR *key, const WCHAR *name, DWORD type, const void *data, DWORD size)
{
    std::vector<BYTE> stored(size);
    DWORD storedSize = size;
    DWORD storedType = 0;
    if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &storedType, stored.data(), &storedSize) ==
            ERROR_SUCCESS &&
        storedType == type && storedSize == size && memcmp(stored.data(), data, size) == 0)
        return false;
    RegSetKeyValueW(root, key, name, type, data, size);
    return true;
}

bool KeepTime(void)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    now.wSecond = 0;
    now.wMilliseconds = 0;
    FILETIME minute;
    SystemTimeToFileTime(&now, &minute);
    return SetStateValue(SN_TIME_ROOT, SN_TIME_PATH, SN_TIME_VALUE, REG_BINARY, &minute, sizeof(minute));
}

void KeepBattery(void)
{
    SYSTEM_POWER_STATUS power;
    if (!GetSystemPowerStatus(&power) || (power.BatteryFlag & 128) || power.BatteryLifePercent > 100)
        return;
    DWORD main = (DWORD)power.BatteryLifePercent << 16;
    SetStateValue(SN_POWERBATTERYSTRENGTH_ROOT, SN_POWERBATTERYSTRENGTH_PATH, SN_POWERBATTERYSTRENGTH_VALUE, REG_DWORD,
                  &main, sizeof(main));
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
    SetStateValue(SN_CONNECTIONSCOUNT_ROOT, SN_CONNECTIONSCOUNT_PATH, SN_CONNECTIONSCOUNT_VALUE, REG_DWORD,
                  &connections, sizeof(connections));
    SetStateValue(SN_WIFISTATEPOWERON_ROOT, SN_WIFISTATEPOWERON_PATH, SN_WIFISTATEPOWERON_VALUE, REG_DWORD, &wifi,
                  sizeof(wifi));
}

DWORD MillisecondsToNextMinute(void)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return (60 - now.wSecond) * 1000 - now.wMilliseconds;
}

// Asks to be told of the next address change; false where it cannot be.
bool WatchAddresses(OVERLAPPED *change)
{
    HANDLE notification = NULL;
    DWORD result = NotifyAddrChange(&notification, change);
    return result == ERROR_IO_PENDING || result == NO_ERROR;
}

// Asks to be told when someone else rewrites or removes the time value.
bool WatchTimeKey(HKEY key, HANDLE changed)
{
    return key && RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_NAME, changed,
                                          TRUE) == ERROR_SUCCESS;
}

DWORD WINAPI KeepState(void *)
{
    keeperThreadId = GetCurrentThreadId();
    OVERLAPPED addresses = {};
    addresses.hEvent = CreateEventW(NULL, FALSE, FALSE, NULL);
    HANDLE timeChanged = CreateEventW(NULL, FALSE, FALSE, NULL);
    HKEY timeKey = NULL;
    if (RegCreateKeyExW(SN_TIME_ROOT, SN_TIME_PATH, 0, NULL, 0, KEY_NOTIFY, NULL, &timeKey, NULL) != ERROR_SUCCESS)
        timeKey = NULL;
    HANDLE events[2];
    DWORD count = 0;
    if (addresses.hEvent && WatchAddresses(&addresses))
        events[count++] = addresses.hEvent;
    bool timeWatched = timeChanged && WatchTimeKey(timeKey, timeChanged);
    if (timeWatched)
        events[count++] = timeChanged;
    for (;;) {
        // The time last: whoever sees its minute sees the rest current too.
        KeepBattery();
        KeepNetwork();
        if (KeepTime() && timeWatched) {
            // The keeper's own write has signalled the watch: taken back and
            // watched anew, it does not wake the keeper for a second look
            // that would find nothing to do.
            ResetEvent(timeChanged);
            WatchTimeKey(timeKey, timeChanged);
        }
        DWORD wait = MillisecondsToNextMinute() + PAST_THE_MINUTE_MS;
        DWORD woken = count ? WaitForMultipleObjects(count, events, FALSE, wait) : (Sleep(wait), WAIT_TIMEOUT);
        if (woken == WAIT_FAILED) {
            // Cannot happen with live handles. Taken for a time-out it would
            // spin; instead the keeper sleeps until its next look, then waits
            // on the watches again, should the failure have passed.
            Sleep(wait);
            continue;
        }
        if (woken >= WAIT_OBJECT_0 + count)
            continue;
        // Re-armed before the values are looked at again, so no change is
        // missed; the keeper's own writes signal it too and find nothing to do.
        if (events[woken - WAIT_OBJECT_0] == addresses.hEvent)
            WatchAddresses(&addresses);
        else
            WatchTimeKey(timeKey, timeChanged);
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

DWORD ShellStateKeeperThreadId(void)
{
    return keeperThreadId;
}
