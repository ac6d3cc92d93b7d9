// Registry change notifications and value reads of the device shell. Each
// notification waits on RegNotifyChangeKeyValue, so a change made by any
// process (regedit, "reg add") reaches the window. One thread waits for all
// of them: a thread of its own for each would cost every start a thread
// creation per watched value.
#include <regext.h>

#include "platform/shell_state.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace
{

struct ValueSnapshot {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;

    bool operator==(const ValueSnapshot &other) const
    {
        return present == other.present && type == other.type && data == other.data;
    }
};

struct RegistryWatch {
    HKEY key = NULL;
    std::wstring valueName;
    HWND window = NULL;
    UINT message = 0;
    DWORD userData = 0;
    HANDLE changeEvent = NULL;
    ValueSnapshot last;

    ~RegistryWatch()
    {
        if (changeEvent)
            CloseHandle(changeEvent);
        if (key)
            RegCloseKey(key);
    }
};

ValueSnapshot ReadSnapshot(HKEY key, const std::wstring &valueName)
{
    ValueSnapshot snapshot;
    DWORD size = 0;
    if (RegQueryValueExW(key, valueName.c_str(), NULL, &snapshot.type, NULL, &size) != ERROR_SUCCESS)
        return snapshot;
    snapshot.data.resize(size);
    LONG result;
    while ((result = RegQueryValueExW(key, valueName.c_str(), NULL, &snapshot.type, snapshot.data.data(), &size)) ==
           ERROR_MORE_DATA)
        snapshot.data.resize(size);
    if (result != ERROR_SUCCESS)
        return ValueSnapshot();
    snapshot.data.resize(size);
    snapshot.present = true;
    return snapshot;
}

WPARAM NotificationWParam(const ValueSnapshot &snapshot)
{
    if (snapshot.present && snapshot.type == REG_DWORD && snapshot.data.size() == sizeof(DWORD))
        return *(const DWORD *)snapshot.data.data();
    return 0;
}

LONG ArmWatch(RegistryWatch *watch)
{
    return RegNotifyChangeKeyValue(watch->key, FALSE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_NAME,
                                   watch->changeEvent, TRUE);
}

// Re-armed before the value is read, so that a change made meanwhile is not
// lost; a change of another value of the key reads the same and is dropped.
void CheckWatch(RegistryWatch *watch)
{
    ArmWatch(watch);
    ValueSnapshot now = ReadSnapshot(watch->key, watch->valueName);
    if (now == watch->last)
        return;
    watch->last = now;
    PostMessageW(watch->window, watch->message, NotificationWParam(now), (LPARAM)watch->userData);
}

// The one wait takes a change event of each watch and one that says the list
// has changed, so at most this many watches at once.
#define MAX_WATCHES (MAXIMUM_WAIT_OBJECTS - 1)

std::mutex watchLock;
std::condition_variable watchListTaken;
std::vector<RegistryWatch *> watches;
unsigned listGeneration = 0;  // counts additions and removals
unsigned takenGeneration = 0; // the list the watcher waits on now
HANDLE listChanged = NULL;
HANDLE watcherThread = NULL;
bool watcherStopped = false; // its wait failed; a close must not wait for it

DWORD WINAPI WatchAll(void *)
{
    RegistryWatch *waitingOn[MAX_WATCHES];
    HANDLE events[MAX_WATCHES + 1];
    DWORD count = 0;
    std::unique_lock<std::mutex> lock(watchLock);
    for (;;) {
        if (takenGeneration != listGeneration) {
            count = (DWORD)watches.size();
            std::copy(watches.begin(), watches.end(), waitingOn);
            events[0] = listChanged;
            for (DWORD i = 0; i < count; i++)
                events[i + 1] = waitingOn[i]->changeEvent;
            takenGeneration = listGeneration;
            // A closed watch's event may be closed only once no wait uses it.
            watchListTaken.notify_all();
        }
        lock.unlock();
        DWORD woken = WaitForMultipleObjects(count + 1, events, FALSE, INFINITE);
        lock.lock();
        if (woken == WAIT_FAILED) {
            // Cannot happen with live handles; never spin on it, and never
            // leave a close waiting for a list it will not take.
            watcherStopped = true;
            watchListTaken.notify_all();
            return 0;
        }
        if (woken == WAIT_OBJECT_0 || woken > WAIT_OBJECT_0 + count)
            continue;
        if (takenGeneration == listGeneration) {
            CheckWatch(waitingOn[woken - WAIT_OBJECT_0 - 1]);
            continue;
        }
        // The list changed while the event was taken: the watch it belongs
        // to may be gone, so every watch still listed is looked at instead.
        for (RegistryWatch *watch : watches)
            CheckWatch(watch);
    }
}

HRESULT AddWatch(RegistryWatch *watch)
{
    std::unique_lock<std::mutex> lock(watchLock);
    if (watches.size() >= MAX_WATCHES)
        return E_OUTOFMEMORY;
    if (watcherStopped)
        return E_FAIL;
    if (!watcherThread) {
        listChanged = CreateEventW(NULL, FALSE, FALSE, NULL);
        if (!listChanged)
            return HRESULT_FROM_WIN32(GetLastError());
        watcherThread = CreateThread(NULL, 0, WatchAll, NULL, 0, NULL);
        if (!watcherThread) {
            CloseHandle(listChanged);
            listChanged = NULL;
            return HRESULT_FROM_WIN32(GetLastError());
        }
    }
    watches.push_back(watch);
    listGeneration++;
    SetEvent(listChanged);
    return S_OK;
}

void RemoveWatch(RegistryWatch *watch)
{
    std::unique_lock<std::mutex> lock(watchLock);
    auto found = std::find(watches.begin(), watches.end(), watch);
    if (found == watches.end())
        return;
    watches.erase(found);
    unsigned removedIn = ++listGeneration;
    SetEvent(listChanged);
    watchListTaken.wait(lock, [removedIn] { return watcherStopped || takenGeneration - removedIn < 0x80000000u; });
}

} // namespace

HRESULT WINAPI RegistryNotifyWindow(HKEY hKey, LPCWSTR pszSubKey, LPCWSTR pszValueName, HWND hWnd, UINT msg,
                                    DWORD dwUserData, NOTIFICATIONCONDITION *pCondition, HREGNOTIFY *phNotify)
{
    if (!hKey || !hWnd || !phNotify)
        return E_INVALIDARG;
    StartShellStateKeeper();
    // Only "any change" is emulated; nothing in the program asks for more.
    if (pCondition && pCondition->ctComparisonType != REG_CT_ANYCHANGE)
        return E_NOTIMPL;

    std::unique_ptr<RegistryWatch> watch(new RegistryWatch);
    watch->valueName = pszValueName ? pszValueName : L"";
    watch->window = hWnd;
    watch->message = msg;
    watch->userData = dwUserData;
    // The phone's shell keys always exist; create a missing one so it can be watched.
    LONG result = RegCreateKeyExW(hKey, pszSubKey ? pszSubKey : L"", 0, NULL, 0, KEY_NOTIFY | KEY_QUERY_VALUE, NULL,
                                  &watch->key, NULL);
    if (result != ERROR_SUCCESS) {
        watch->key = NULL;
        return HRESULT_FROM_WIN32(result);
    }
    watch->changeEvent = CreateEventW(NULL, FALSE, FALSE, NULL);
    if (!watch->changeEvent)
        return E_OUTOFMEMORY;
    result = ArmWatch(watch.get());
    if (result != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(result);
    watch->last = ReadSnapshot(watch->key, watch->valueName);
    HRESULT added = AddWatch(watch.get());
    if (FAILED(added))
        return added;
    *phNotify = (HREGNOTIFY)watch.release();
    return S_OK;
}

HRESULT WINAPI RegistryCloseNotification(HREGNOTIFY hNotify)
{
    if (!hNotify)
        return E_INVALIDARG;
    RegistryWatch *watch = (RegistryWatch *)hNotify;
    RemoveWatch(watch);
    delete watch;
    return S_OK;
}

HRESULT WINAPI RegistryGetDWORD(HKEY hKey, LPCWSTR pszSubKey, LPCWSTR pszValueName, DWORD *pdwData)
{
    if (!hKey || !pdwData)
        return E_INVALIDARG;
    DWORD size = sizeof(DWORD);
    LONG result = RegGetValueW(hKey, pszSubKey, pszValueName, RRF_RT_REG_DWORD, NULL, pdwData, &size);
    return result == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(result);
}

HRESULT WINAPI RegistryGetString(HKEY hKey, LPCWSTR pszSubKey, LPCWSTR pszValueName, LPWSTR pszData, UINT cchData)
{
    if (!hKey || !pszData || cchData == 0)
        return E_INVALIDARG;
    DWORD size = cchData * sizeof(WCHAR);
    LONG result = RegGetValueW(hKey, pszSubKey, pszValueName, RRF_RT_REG_SZ, NULL, pszData, &size);
    if (result != ERROR_SUCCESS) {
        pszData[0] = 0;
        return HRESULT_FROM_WIN32(result);
    }
    return S_OK;
}
