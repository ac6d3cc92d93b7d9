// The phone's telephony service on the desktop. Call requests are accepted
// by appending "destination<TAB>called party<TAB>local time<LF>" (UTF-8,
// platform/calls_log.h) to calls.log in the device's data folder
// (platform/emulation.h); a request whose texts hold a control character is
// refused, so that the log keeps one line per call. With "CallHandoff" set
// to 1, each call is also handed to the computer's handler of tel: links,
// and refused when there is none. The line functions see the configured
// line devices; the last one is the cellular line, named by "LineName",
// whose first address is "LineNumber" (both under the device emulation
// key).
#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>
#include <tapi.h>
#include <wchar.h>

#include <mutex>
#include <set>

#include "base/phone_link.h"
#include "base/text.h"
#include "platform/calls_log.h"
#include "platform/emulation.h"
#include "platform/include/tapi_emulation.h"

#define EMULATED_TAPI_VERSION 0x00020000
#define LOWEST_TAPI_VERSION 0x00010004
#define DEFAULT_LINE_NAME L"Cellular Line"
#define EMULATION_TEXT_CAPACITY 512
// Units of a handed-off call's link: room for "tel:" and the longest
// number the dialer sends (259 units), each '#' of which takes three.
#define HANDOFF_LINK_CAPACITY 800

namespace
{

std::mutex instancesLock;
std::set<HLINEAPP> openInstances;
ULONG_PTR nextInstance = 0x1000;

bool IsOpenInstance(HLINEAPP instance)
{
    std::lock_guard<std::mutex> hold(instancesLock);
    return openInstances.count(instance) != 0;
}

DWORD LineDeviceCount()
{
    return EmulationGetDWORD(L"LineDeviceCount", 1);
}

void LineDeviceName(DWORD device, WCHAR *name, DWORD capacity)
{
    if (device + 1 == LineDeviceCount())
        EmulationGetString(L"LineName", name, capacity, DEFAULT_LINE_NAME);
    else
        _snwprintf(name, capacity, L"Data Line %lu", (unsigned long)device + 1);
    name[capacity - 1] = 0;
}

// Puts one text after the fixed part of a capability record, the way the
// service returns variable parts: the needed size always grows by it, the
// text itself goes in only when the caller's record has room for it.
void PlaceVarText(BYTE *record, DWORD totalSize, DWORD *neededSize, DWORD *usedSize, const WCHAR *text,
                  DWORD *sizeField, DWORD *offsetField)
{
    DWORD length = (DWORD)wcslen(text);
    DWORD bytes = length ? (length + 1) * sizeof(WCHAR) : 0;
    DWORD offset = *neededSize;
    *neededSize += bytes;
    *sizeField = 0;
    *offsetField = 0;
    if (bytes && *neededSize <= totalSize) {
        memcpy(record + offset, text, bytes);
        *sizeField = bytes;
        *offsetField = offset;
        *usedSize = *neededSize;
    }
}

// Wine appends to a file opened for FILE_APPEND_DATA by finding its end
// and then writing there, two steps another process can come between: of
// 40 processes appending 50 lines each, up to 14 lines were written over.
// The dialers that log a call take turns, across processes. One that
// cannot have its turn in this time writes anyway: a line may then be
// lost, but the call is not.
#define CALLS_LOG_MUTEX L"Local\\ZembrikCallsLog"
#define CALLS_LOG_WAIT_MS 5000

// The line, whole, at the end of the file.
bool AppendLine(const WCHAR *path, const char *line, size_t size)
{
    HANDLE turn = CreateMutexW(NULL, FALSE, CALLS_LOG_MUTEX);
    DWORD waited = turn ? WaitForSingleObject(turn, CALLS_LOG_WAIT_MS) : WAIT_FAILED;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    BOOL ok = file != INVALID_HANDLE_VALUE && WriteFile(file, line, (DWORD)size, &written, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        ReleaseMutex(turn);
    if (turn)
        CloseHandle(turn);
    return ok && written == (DWORD)size;
}

// Appends the call's line, with the local time, to calls.log in the
// device's data folder.
bool RecordCall(const WCHAR *destination, const WCHAR *calledParty)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LoggedCallTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    char line[CALLS_LOG_LINE_LIMIT + 1];
    size_t size = FormatLoggedCallLine(line, sizeof(line), destination, calledParty, &time);
    if (size == 0)
        return false;
    WCHAR path[MAX_PATH];
    EmulationDataFolder(path, MAX_PATH);
    if (!path[0] || wcslen(path) + wcslen(L"calls.log") >= MAX_PATH)
        return false;
    wcscat(path, L"calls.log");
    // The whole line in one write: dialers appending at once never
    // interleave their lines.
    return AppendLine(path, line, size);
}

const WCHAR *FileNameOf(const WCHAR *path)
{
    const WCHAR *name = path;
    for (const WCHAR *c = path; *c; c++) {
        if (*c == L'\\' || *c == L'/')
            name = c + 1;
    }
    return name;
}

// A dialer set as the computer's handler of tel: links would get its own
// calls back as links: that is no program that places calls. A handler
// that the shell does not name by an executable (a store app) is left to
// ShellExecute to find.
bool LinkHandlerIsAnotherProgram(void)
{
    WCHAR handler[MAX_PATH];
    DWORD size = MAX_PATH;
    if (FAILED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, L"tel", L"open", handler, &size)))
        return true;
    WCHAR own[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, own, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return true;
    return lstrcmpiW(FileNameOf(handler), FileNameOf(own)) != 0;
}

bool OpenLink(const WCHAR *link)
{
    SHELLEXECUTEINFOW execute;
    ZeroMemory(&execute, sizeof(execute));
    execute.cbSize = sizeof(execute);
    // No dialog of the shell's own, and the handler started before this
    // returns: a dial from the command line ends the process right after.
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = L"open";
    execute.lpFile = link;
    execute.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&execute) != FALSE;
}

// The call as a tel: link, to whatever program the computer opens those
// with: a phone app on Windows; under Wine, Wine's browser bridge, which
// passes it to xdg-open and so to the Linux desktop's phone app. Where no
// program takes it the request is refused, with the one message that a
// phone's shell shows.
LONG HandOffCall(const WCHAR *destination)
{
    // Read as a person wrote it: a caller may pass "(800) 901-3355 x 12".
    WCHAR number[HANDOFF_LINK_CAPACITY];
    WCHAR link[HANDOFF_LINK_CAPACITY];
    if (ReadWrittenNumber(number, HANDOFF_LINK_CAPACITY, destination) != PHONE_LINK_NUMBER ||
        !WritePhoneLink(link, HANDOFF_LINK_CAPACITY, number))
        return TAPIERR_INVALDESTADDRESS;
    if (LinkHandlerIsAnotherProgram() && OpenLink(link))
        return 0;
    MessageBoxW(NULL, L"No program on this computer places calls. To call through a service, choose one in Zembrik Settings.", L"Phone", MB_OK | MB_ICONEXCLAMATION);
    return TAPIERR_NOREQUESTRECIPIENT;
}

} // namespace

DWORD TapiEmulationOpenInstances(void)
{
    std::lock_guard<std::mutex> hold(instancesLock);
    return (DWORD)openInstances.size();
}

LONG WINAPI tapiRequestMakeCallW(LPCWSTR lpszDestAddress, LPCWSTR lpszAppName, LPCWSTR lpszCalledParty,
                                 LPCWSTR lpszComment)
{
    (void)lpszAppName;
    (void)lpszComment;
    if (!lpszDestAddress || !lpszDestAddress[0] || TextHoldsControl(lpszDestAddress))
        return TAPIERR_INVALDESTADDRESS;
    if (TextHoldsControl(lpszCalledParty))
        return TAPIERR_REQUESTFAILED;
    if (EmulationGetDWORD(L"RefuseCalls", 0) == 1)
        return TAPIERR_REQUESTFAILED;
    if (EmulationGetDWORD(L"CallHandoff", 0) == 1) {
        LONG handedOff = HandOffCall(lpszDestAddress);
        if (handedOff != 0)
            return handedOff;
        // The call is out: a log that cannot be written does not undo it.
        RecordCall(lpszDestAddress, lpszCalledParty);
        return 0;
    }
    return RecordCall(lpszDestAddress, lpszCalledParty) ? 0 : TAPIERR_REQUESTFAILED;
}

LONG WINAPI lineInitializeExW(LPHLINEAPP lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                              LPCWSTR lpszFriendlyAppName, LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                              LPLINEINITIALIZEEXPARAMS lpLineInitializeExParams)
{
    (void)hInstance;
    (void)lpfnCallback;
    (void)lpszFriendlyAppName;
    if (!lphLineApp || !lpdwNumDevs || !lpdwAPIVersion || !lpLineInitializeExParams)
        return LINEERR_INVALPOINTER;
    if (*lpdwAPIVersion < LOWEST_TAPI_VERSION)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    // The device's record is 24 bytes; a 64-bit build's is larger.
    if (lpLineInitializeExParams->dwTotalSize < 24)
        return LINEERR_STRUCTURETOOSMALL;
    std::lock_guard<std::mutex> hold(instancesLock);
    HLINEAPP instance = (HLINEAPP)nextInstance++;
    openInstances.insert(instance);
    *lphLineApp = instance;
    *lpdwNumDevs = LineDeviceCount();
    if (*lpdwAPIVersion > EMULATED_TAPI_VERSION)
        *lpdwAPIVersion = EMULATED_TAPI_VERSION;
    return 0;
}

LONG WINAPI lineShutdown(HLINEAPP hLineApp)
{
    std::lock_guard<std::mutex> hold(instancesLock);
    return openInstances.erase(hLineApp) ? 0 : LINEERR_INVALAPPHANDLE;
}

LONG WINAPI lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                                    LPDWORD lpdwAPIVersion, LPLINEEXTENSIONID lpExtensionID)
{
    if (!IsOpenInstance(hLineApp))
        return LINEERR_INVALAPPHANDLE;
    if (!lpdwAPIVersion || !lpExtensionID)
        return LINEERR_INVALPOINTER;
    if (dwDeviceID >= LineDeviceCount())
        return LINEERR_BADDEVICEID;
    if (dwAPILowVersion > EMULATED_TAPI_VERSION || dwAPIHighVersion < LOWEST_TAPI_VERSION ||
        dwAPILowVersion > dwAPIHighVersion)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    *lpdwAPIVersion = dwAPIHighVersion < EMULATED_TAPI_VERSION ? dwAPIHighVersion : EMULATED_TAPI_VERSION;
    memset(lpExtensionID, 0, sizeof(*lpExtensionID));
    return 0;
}

LONG WINAPI lineGetDevCapsW(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                            LPLINEDEVCAPS lpLineDevCaps)
{
    (void)dwAPIVersion;
    (void)dwExtVersion;
    if (!IsOpenInstance(hLineApp))
        return LINEERR_INVALAPPHANDLE;
    if (!lpLineDevCaps)
        return LINEERR_INVALPOINTER;
    if (dwDeviceID >= LineDeviceCount())
        return LINEERR_BADDEVICEID;
    DWORD totalSize = lpLineDevCaps->dwTotalSize;
    if (totalSize < sizeof(LINEDEVCAPS))
        return LINEERR_STRUCTURETOOSMALL;
    memset(lpLineDevCaps, 0, sizeof(LINEDEVCAPS));
    lpLineDevCaps->dwTotalSize = totalSize;
    lpLineDevCaps->dwNeededSize = sizeof(LINEDEVCAPS);
    lpLineDevCaps->dwUsedSize = sizeof(LINEDEVCAPS);
    lpLineDevCaps->dwStringFormat = STRINGFORMAT_UNICODE;
    lpLineDevCaps->dwPermanentLineID = dwDeviceID;
    lpLineDevCaps->dwNumAddresses = 1;
    lpLineDevCaps->dwMediaModes = LINEMEDIAMODE_INTERACTIVEVOICE;
    WCHAR name[EMULATION_TEXT_CAPACITY];
    LineDeviceName(dwDeviceID, name, EMULATION_TEXT_CAPACITY);
    PlaceVarText((BYTE *)lpLineDevCaps, totalSize, &lpLineDevCaps->dwNeededSize, &lpLineDevCaps->dwUsedSize, name,
                 &lpLineDevCaps->dwLineNameSize, &lpLineDevCaps->dwLineNameOffset);
    return 0;
}

LONG WINAPI lineGetAddressCapsW(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
                                DWORD dwExtVersion, LPLINEADDRESSCAPS lpAddressCaps)
{
    (void)dwAPIVersion;
    (void)dwExtVersion;
    if (!IsOpenInstance(hLineApp))
        return LINEERR_INVALAPPHANDLE;
    if (!lpAddressCaps)
        return LINEERR_INVALPOINTER;
    if (dwDeviceID >= LineDeviceCount())
        return LINEERR_BADDEVICEID;
    if (dwAddressID != 0)
        return LINEERR_INVALADDRESSID;
    DWORD totalSize = lpAddressCaps->dwTotalSize;
    if (totalSize < sizeof(LINEADDRESSCAPS))
        return LINEERR_STRUCTURETOOSMALL;
    memset(lpAddressCaps, 0, sizeof(LINEADDRESSCAPS));
    lpAddressCaps->dwTotalSize = totalSize;
    lpAddressCaps->dwNeededSize = sizeof(LINEADDRESSCAPS);
    lpAddressCaps->dwUsedSize = sizeof(LINEADDRESSCAPS);
    lpAddressCaps->dwLineDeviceID = dwDeviceID;
    WCHAR number[EMULATION_TEXT_CAPACITY] = L"";
    if (dwDeviceID + 1 == LineDeviceCount())
        EmulationGetString(L"LineNumber", number, EMULATION_TEXT_CAPACITY, L"");
    PlaceVarText((BYTE *)lpAddressCaps, totalSize, &lpAddressCaps->dwNeededSize, &lpAddressCaps->dwUsedSize, number,
                 &lpAddressCaps->dwAddressSize, &lpAddressCaps->dwAddressOffset);
    return 0;
}
