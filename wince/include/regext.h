// Registry extension functions of the phone's shell (aygshell): change
// notifications delivered as window messages, and one-call value reads.
#pragma once
#include <windows.h>

typedef HANDLE HREGNOTIFY;

// "Any change" comes first: a condition left zero notifies on every change.
typedef enum tagREG_COMPARISONTYPE {
    REG_CT_ANYCHANGE = 0,
    REG_CT_EQUAL = 1,
    REG_CT_NOT_EQUAL = 2,
    REG_CT_GREATER = 3,
    REG_CT_GREATER_OR_EQUAL = 4,
    REG_CT_LESS = 5,
    REG_CT_LESS_OR_EQUAL = 6,
    REG_CT_CONTAINS = 7,
    REG_CT_STARTS_WITH = 8,
    REG_CT_ENDS_WITH = 9
} REG_COMPARISONTYPE;

typedef struct tagNOTIFICATIONCONDITION {
    REG_COMPARISONTYPE ctComparisonType;
    DWORD dwMask;
    union {
        LPCWSTR psz;
        DWORD dw;
    } TargetValue;
} NOTIFICATIONCONDITION;

#ifdef __cplusplus
extern "C" {
#endif
// A change of the watched value posts msg to hWnd with wParam the new value
// (for a REG_DWORD, masked as the condition says; else 0) and lParam dwUserData.
HRESULT WINAPI RegistryNotifyWindow(HKEY hKey, LPCWSTR pszSubKey, LPCWSTR pszValueName, HWND hWnd, UINT msg,
                                    DWORD dwUserData, NOTIFICATIONCONDITION *pCondition, HREGNOTIFY *phNotify);
HRESULT WINAPI RegistryCloseNotification(HREGNOTIFY hNotify);
HRESULT WINAPI RegistryGetDWORD(HKEY hKey, LPCWSTR pszSubKey, LPCWSTR pszValueName, DWORD *pdwData);
HRESULT WINAPI RegistryGetString(HKEY hKey, LPCWSTR pszSubKey, LPCWSTR pszValueName, LPWSTR pszData, UINT cchData);
#ifdef __cplusplus
}
#endif
