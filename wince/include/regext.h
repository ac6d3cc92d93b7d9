// Registry extension functions of the phone's shell (aygshell): change
// notifications delivered as window messages, and one-call value reads.
#pragma once
#include <windows.h>

typedef HANDLE HREGNOTIFY;

typedef enum tagREG_COMPARISONTYPE {
    REG_CT_EQUAL,
    REG_CT_NOT_EQUAL,
    REG_CT_GREATER,
    REG_CT_GREATER_OR_EQUAL,
    REG_CT_LESS,
    REG_CT_LESS_OR_EQUAL,
    REG_CT_CONTAINS,
    REG_CT_STARTS_WITH,
    REG_CT_ENDS_WITH,
    REG_CT_ANYCHANGE
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
