// The phone's own number, read from the first address of the cellular line.
#include <tapi.h>

#include "base/text.h"
#include "settings/settings.h"

#define TAPI_VERSION_2_0 0x00020000
#define FIRST_CAPS_SIZE 512
#define CELLULAR_LINE_NAME L"Cellular Line"

static void *AllocateCaps(DWORD size)
{
    void *caps = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    if (caps)
        ((DWORD *)caps)[0] = size;
    return caps;
}

#define DEVICE_CAPS ((DWORD)-1)

// Device capabilities when address is DEVICE_CAPS, else that address's.
static LONG QueryCaps(HLINEAPP instance, DWORD device, DWORD address, DWORD version, void *caps)
{
    if (address == DEVICE_CAPS)
        return lineGetDevCaps(instance, device, version, 0, (LINEDEVCAPS *)caps);
    return lineGetAddressCaps(instance, device, address, version, 0, (LINEADDRESSCAPS *)caps);
}

// Runs one capability query, and once more in a buffer of exactly the
// needed size when the service reports that it needs more room. The grown
// buffer serves every later query. A failed allocation leaves *caps null.
static LONG QueryCapsGrowingOnce(void **caps, DWORD *capsSize, HLINEAPP instance, DWORD device, DWORD address,
                                 DWORD version)
{
    ((DWORD *)*caps)[0] = *capsSize;
    LONG status = QueryCaps(instance, device, address, version, *caps);
    DWORD needed = ((DWORD *)*caps)[1];
    if (needed <= *capsSize)
        return status;
    HeapFree(GetProcessHeap(), 0, *caps);
    *caps = AllocateCaps(needed);
    if (!*caps)
        return -1;
    *capsSize = needed;
    return QueryCaps(instance, device, address, version, *caps);
}

static bool IsCellularLine(const LINEDEVCAPS *caps, DWORD capsSize)
{
    DWORD offset = caps->dwLineNameOffset;
    DWORD size = caps->dwLineNameSize;
    if (offset == 0 || size == 0 || offset > capsSize || size > capsSize - offset)
        return false;
    const WCHAR *name = (const WCHAR *)((const BYTE *)caps + offset);
    size_t units = size / sizeof(WCHAR);
    size_t expected = TextLength(CELLULAR_LINE_NAME);
    // The stored size may or may not count a terminator.
    if (units == expected + 1 && name[expected] == 0)
        units = expected;
    return units == expected && memcmp(name, CELLULAR_LINE_NAME, expected * sizeof(WCHAR)) == 0;
}

static HRESULT CopyAddress(const LINEADDRESSCAPS *caps, DWORD capsSize, WCHAR *out, size_t capacity)
{
    out[0] = 0;
    DWORD offset = caps->dwAddressOffset;
    DWORD size = caps->dwAddressSize;
    if (size == 0 || offset == 0 || offset > capsSize || size > capsSize - offset)
        return E_FAIL;
    TextCopyCount(out, capacity, (const WCHAR *)((const BYTE *)caps + offset), size / sizeof(WCHAR));
    return S_OK;
}

HRESULT LookupOwnLineNumber(WCHAR *out, size_t capacity, DWORD addressIndex)
{
    HLINEAPP instance = 0;
    DWORD deviceCount = 0;
    DWORD version = TAPI_VERSION_2_0;
    LINEINITIALIZEEXPARAMS parameters;
    ZeroMemory(&parameters, sizeof(parameters));
    parameters.dwTotalSize = sizeof(parameters);
    parameters.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    if (lineInitializeEx(&instance, NULL, NULL, L"ExTapi_Lib", &deviceCount, &version, &parameters) < 0)
        return E_FAIL;

    HRESULT result = E_FAIL;
    DWORD capsSize = FIRST_CAPS_SIZE;
    void *caps = AllocateCaps(capsSize);
    if (!caps) {
        lineShutdown(instance);
        return E_OUTOFMEMORY;
    }

    DWORD cellularDevice = deviceCount;
    DWORD negotiated = 0;
    for (DWORD device = 0; device < deviceCount && cellularDevice == deviceCount && caps; device++) {
        LINEEXTENSIONID extension;
        if (lineNegotiateAPIVersion(instance, device, TAPI_VERSION_2_0, TAPI_VERSION_2_0, &negotiated, &extension))
            continue;
        LONG status = QueryCapsGrowingOnce(&caps, &capsSize, instance, device, DEVICE_CAPS, negotiated);
        if (caps && status == 0 && IsCellularLine((LINEDEVCAPS *)caps, capsSize))
            cellularDevice = device;
    }

    if (caps && cellularDevice < deviceCount) {
        LONG status = QueryCapsGrowingOnce(&caps, &capsSize, instance, cellularDevice, addressIndex - 1, negotiated);
        if (caps)
            result = status == 0 ? CopyAddress((LINEADDRESSCAPS *)caps, capsSize, out, capacity) : E_FAIL;
    }

    if (caps)
        HeapFree(GetProcessHeap(), 0, caps);
    else
        result = E_OUTOFMEMORY;
    lineShutdown(instance);
    return result;
}
