#include <gtest/gtest.h>
#include <waveout_emulation.h>

#include <atomic>

#include "device/key_tones.h"
#include "support/import_hooks.h"
#include "support/test_support.h"

// Every heap allocation of the program's and the stand-ins' own code, and
// of the C++ runtime linked with them (operator new is malloc), is a call
// through this executable's import table: counted there, on the two threads
// a key press runs on, the program's and the audio thread. Wine's own
// allocations go through its DLLs' tables and are not counted.
static std::atomic<long> allocations{0};
static std::atomic<DWORD> countedThreads[2];

static void CountAllocation(void)
{
    DWORD self = GetCurrentThreadId();
    if (self == countedThreads[0] || self == countedThreads[1])
        allocations++;
}

// One replacement per function: counts the call and passes it on.
#define COUNTED(convention, result, name, parameters, arguments)                                                       \
    static result(convention *real_##name) parameters = NULL;                                                          \
    static result convention counted_##name parameters                                                                 \
    {                                                                                                                  \
        CountAllocation();                                                                                             \
        return real_##name arguments;                                                                                  \
    }

COUNTED(__cdecl, void *, malloc, (size_t size), (size))
COUNTED(__cdecl, void *, calloc, (size_t count, size_t size), (count, size))
COUNTED(__cdecl, void *, realloc, (void *block, size_t size), (block, size))
COUNTED(__cdecl, char *, _strdup, (const char *text), (text))
COUNTED(__cdecl, wchar_t *, _wcsdup, (const wchar_t *text), (text))
COUNTED(WINAPI, LPVOID, HeapAlloc, (HANDLE heap, DWORD flags, SIZE_T size), (heap, flags, size))
COUNTED(WINAPI, LPVOID, HeapReAlloc, (HANDLE heap, DWORD flags, LPVOID block, SIZE_T size), (heap, flags, block, size))
COUNTED(WINAPI, HLOCAL, LocalAlloc, (UINT flags, SIZE_T bytes), (flags, bytes))
COUNTED(WINAPI, HGLOBAL, GlobalAlloc, (UINT flags, SIZE_T bytes), (flags, bytes))

struct CountedImport {
    const char *dll;
    const char *name;
    void **real;
    void *counted;
    bool hooked;
};

#define COUNTED_IMPORT(dll, name)                                                                                      \
    {                                                                                                                  \
        dll, #name, (void **)&real_##name, (void *)counted_##name, false                                               \
    }
#define RUNTIME_IMPORTS(dll)                                                                                           \
    COUNTED_IMPORT(dll, malloc), COUNTED_IMPORT(dll, calloc), COUNTED_IMPORT(dll, realloc),                            \
        COUNTED_IMPORT(dll, _strdup), COUNTED_IMPORT(dll, _wcsdup)
static CountedImport countedImports[] = {
    RUNTIME_IMPORTS("msvcrt.dll"),
    RUNTIME_IMPORTS("ucrtbase.dll"),
    RUNTIME_IMPORTS("api-ms-win-crt-heap-l1-1-0.dll"),
    RUNTIME_IMPORTS("api-ms-win-crt-string-l1-1-0.dll"),
    COUNTED_IMPORT("kernel32.dll", HeapAlloc),
    COUNTED_IMPORT("kernel32.dll", HeapReAlloc),
    COUNTED_IMPORT("kernel32.dll", LocalAlloc),
    COUNTED_IMPORT("kernel32.dll", GlobalAlloc),
};

static bool CountedThroughAnother(const CountedImport &import)
{
    for (const CountedImport &other : countedImports) {
        if (&other != &import && other.hooked && other.real == import.real)
            return true;
    }
    return false;
}

// Returns how many allocation functions the executable imports and now
// counts. The real function is looked up before the table is changed, so
// a thread calling in meanwhile finds it already.
static int StartCountingAllocations(void)
{
    int hooked = 0;
    for (CountedImport &import : countedImports) {
        HMODULE dll = GetModuleHandleA(import.dll);
        void *real = dll ? (void *)GetProcAddress(dll, import.name) : NULL;
        if (!real || (*import.real && *import.real != real))
            continue; // not loaded, or the executable takes the function from another runtime
        *import.real = real;
        import.hooked = HookImport(GetModuleHandleW(NULL), import.dll, import.name, import.counted) != NULL;
        if (import.hooked)
            hooked++;
        else if (!CountedThroughAnother(import))
            *import.real = NULL;
    }
    return hooked;
}

static void StopCountingAllocations(void)
{
    for (CountedImport &import : countedImports) {
        if (import.hooked)
            RestoreImport(GetModuleHandleW(NULL), import.counted, *import.real);
        import.hooked = false;
    }
}

class KeyTonesTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ResetAppState();
        SetEmulationDWORD(L"SilentWaveOut", 1);
    }
    void TearDown() override
    {
        StopKeyTone();
        EXPECT_EQ(0u, WaveOutEmulationOpenDevices());
        DeleteDeviceEmulationKey();
    }
};

TEST_F(KeyTonesTest, EventsStartBothGeneratorsHighFirstForTenSeconds)
{
    const struct {
        KeyCode key;
        DWORD high, low;
    } keys[] = {{'5', 0x207F0538, 0x207F0302}, {'#', 0x207F05C5, 0x207F03AD}, {'*', 0x207F04B9, 0x207F03AD}};
    for (const auto &key : keys) {
        PlayKeyTone(key.key);
        ASSERT_TRUE(app.toneDevice != NULL);
        EXPECT_EQ(0u, app.toneEvents[0].dwDeltaTicks);
        EXPECT_EQ(key.high, app.toneEvents[0].dwMidiMsg);
        EXPECT_EQ(0u, app.toneEvents[1].dwDeltaTicks);
        EXPECT_EQ(key.low, app.toneEvents[1].dwMidiMsg);
        EXPECT_EQ(10u, app.toneEvents[2].dwDeltaTicks);
        EXPECT_EQ(0u, app.toneEvents[2].dwMidiMsg);
        EXPECT_EQ((LPSTR)app.toneEvents, app.toneHeader.lpData);
        EXPECT_EQ(24u, app.toneHeader.dwBufferLength);
        EXPECT_TRUE(app.toneHeader.dwFlags & WHDR_PREPARED);
        StopKeyTone();
    }
}

TEST_F(KeyTonesTest, KeysWithoutAToneLeaveTheDeviceClosed)
{
    for (KeyCode key : {(KeyCode)1, (KeyCode)8, (KeyCode)13, (KeyCode)'+', (KeyCode)0}) {
        PlayKeyTone(key);
        EXPECT_TRUE(app.toneDevice == NULL) << key;
    }
    EXPECT_EQ(0u, WaveOutEmulationOpenDevices());
}

TEST_F(KeyTonesTest, PressReleasePressReopensAndRepeatsKeepOneDevice)
{
    PlayKeyTone('1');
    HWAVEOUT first = app.toneDevice;
    PlayKeyTone('1');
    PlayKeyTone('9');
    EXPECT_EQ(first, app.toneDevice) << "a repeat only resubmits";
    EXPECT_EQ(1u, WaveOutEmulationOpenDevices());
    EXPECT_EQ(0x207F04B9u, app.toneEvents[0].dwMidiMsg) << "the sounding key's events stay";
    StopKeyTone();
    EXPECT_TRUE(app.toneDevice == NULL);
    EXPECT_FALSE(app.toneHeader.dwFlags & WHDR_PREPARED);
    StopKeyTone();
    EXPECT_TRUE(app.toneDevice == NULL);
    PlayKeyTone('2');
    EXPECT_TRUE(app.toneDevice != NULL);
    EXPECT_TRUE(app.toneHeader.dwFlags & WHDR_PREPARED);
}

TEST_F(KeyTonesTest, PressesAllocateNothingAndStartNoThread)
{
    auto tones = [] {
        WAVEOUT_EMULATION_RECORD record;
        WaveOutEmulationGetRecord(&record);
        return record;
    };
    auto press = [&](KeyCode key) {
        DWORD before = tones().tonesStarted;
        PlayKeyTone(key);
        for (int waited = 0; waited < 5000 && tones().tonesStarted == before; waited++)
            Sleep(1);
        Sleep(20); // a few blocks rendered while the key is held
        PlayKeyTone(key); // the hardware key's repeat
        StopKeyTone();
    };
    press('5'); // the first open starts the audio thread
    WAVEOUT_EMULATION_RECORD first = tones();
    ASSERT_NE(0u, first.audioThreadId);
    int counted = StartCountingAllocations();
    countedThreads[0] = GetCurrentThreadId();
    countedThreads[1] = first.audioThreadId;
    long allocationsBefore = allocations;
    for (int i = 0; i < 20; i++)
        press((KeyCode)('0' + i % 10));
    long allocated = allocations - allocationsBefore;
    countedThreads[0] = countedThreads[1] = 0;
    StopCountingAllocations();
    EXPECT_GE(counted, 2) << "the C runtime's malloc and the heap's HeapAlloc at least";
    EXPECT_EQ(0, allocated);
    WAVEOUT_EMULATION_RECORD after = tones();
    EXPECT_EQ(first.threadsStarted, after.threadsStarted);
    EXPECT_EQ(1u, after.threadsStarted);
    EXPECT_EQ(first.tonesStarted + 20, after.tonesStarted) << "each press sounded";
}

TEST_F(KeyTonesTest, WithoutASoundDeviceTheProgramStaysSilent)
{
    DeleteDeviceEmulationKey();
    PlayKeyTone('5');
    if (app.toneDevice)
        GTEST_SKIP() << "this machine has a sound device";
    EXPECT_EQ(0u, WaveOutEmulationOpenDevices());
    StopKeyTone();
}
