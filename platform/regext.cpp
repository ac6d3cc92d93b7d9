// Registry change notifications and value reads of the device shell. Each
// notification is a watcher thread that waits on RegNotifyChangeKeyValue, so
// a change made by any process (regedit, "reg add") reaches the window.
#include <regext.h>

#include "platform/shell_state.h"

#include <memory>
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
    HANDLE stopEvent = NULL;
    HANDLE thread = NULL;
    ValueSnapshot last;

    ~RegistryWatch()
    {
        if (thread) {
            SetEvent(stopEvent);
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        if (changeEvent)
            CloseHandle(changeEvent);
        if (stopEvent)
            CloseHandle(stopEvent);
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

DWORD WINAPI WatchThread(void *parameter)
{
    RegistryWatch *watch = (RegistryWatch *)parameter;
    HANDLE events[2] = {watch->stopEvent, watch->changeEvent};
    for (;;) {
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return 0;
        // Re-arm before reading, so that a change made meanwhile is not lost.
        RegNotifyChangeKeyValue(watch->key, FALSE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_NAME,
                                watch->changeEvent, TRUE);
        ValueSnapshot now = ReadSnapshot(watch->key, watch->valueName);
        if (now == watch->last)
            continue;
        watch->last = now;
        PostMessageW(watch->window, watch->message, NotificationWParam(now), (LPARAM)watch->userData);
    }
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
    watch->stopEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (!watch->changeEvent || !watch->stopEvent)
        return E_OUTOFMEMORY;
    result = RegNotifyChangeKeyValue(watch->key, FALSE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_NAME,
                                     watch->changeEvent, TRUE);
    if (result != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(result);
    watch->last = ReadSnapshot(watch->key, watch->valueName);
    watch->thread = CreateThread(NULL, 0, WatchThread, watch.get(), 0, NULL);
    if (!watch->thread)
        return HRESULT_FROM_WIN32(GetLastError());
    *phNotify = (HREGNOTIFY)watch.release();
    return S_OK;
}

HRESULT WINAPI RegistryCloseNotification(HREGNOTIFY hNotify)
{
    if (!hNotify)
        return E_INVALIDARG;
    delete (RegistryWatch *)hNotify;
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
