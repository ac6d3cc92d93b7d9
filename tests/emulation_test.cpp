// The device services our program relies on, as the desktop stand-ins
// provide them.
#include <aygshell.h>
#include <gtest/gtest.h>
#include <regext.h>
#include <tapi.h>

#include <stdio.h>
#include <stdlib.h>

#include <atomic>
#include <vector>
#include <wchar.h>

#include "platform/shell_state.h"
#include "support/import_hooks.h"
#include "support/test_support.h"

#define WATCHED_KEY L"Software\\Orvendel\\ZembrikTests"
#define WM_WATCHED (WM_APP + 7)

namespace
{

struct Received {
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Received> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WATCHED) {
        received.push_back({wParam, lParam});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class RegistryNotifyTest : public ::testing::Test
{
  protected:
    HWND window = NULL;
    HREGNOTIFY notification = NULL;

    void SetUp() override
    {
        received.clear();
        RegDeleteTreeW(HKEY_CURRENT_USER, WATCHED_KEY);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = L"RegistryNotifyTest";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"RegistryNotifyTest", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, NULL, NULL, NULL);
        ASSERT_TRUE(window);
    }
    void TearDown() override
    {
        if (notification) {
            EXPECT_EQ(S_OK, RegistryCloseNotification(notification));
        }
        DestroyWindow(window);
        UnregisterClassW(L"RegistryNotifyTest", NULL);
        RegDeleteTreeW(HKEY_CURRENT_USER, WATCHED_KEY);
        RegDeleteKeyW(HKEY_CURRENT_USER, WATCHED_KEY);
    }
    void SetDWORD(const wchar_t *name, DWORD value)
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, WATCHED_KEY, name, REG_DWORD, &value, sizeof(value));
    }
    bool WaitForCount(size_t count, DWORD timeoutMs = 5000)
    {
        return PumpMessagesUntil([&] { return received.size() >= count; }, timeoutMs);
    }
};

} // namespace

TEST_F(RegistryNotifyTest, AChangeOfTheValuePostsTheMessageWithUserData)
{
    ASSERT_EQ(S_OK, RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Level", window, WM_WATCHED, 35, NULL,
                                         &notification));
    SetDWORD(L"Level", 42);
    ASSERT_TRUE(WaitForCount(1));
    EXPECT_EQ(42u, received[0].wParam);
    EXPECT_EQ(35, received[0].lParam);
}

TEST_F(RegistryNotifyTest, OtherValuesAndUnchangedWritesDoNotNotify)
{
    SetDWORD(L"Level", 1);
    ASSERT_EQ(S_OK, RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Level", window, WM_WATCHED, 1, NULL,
                                         &notification));
    SetDWORD(L"Other", 5);
    SetDWORD(L"Level", 1);
    PumpMessagesFor(500);
    EXPECT_EQ(0u, received.size());
    SetDWORD(L"Level", 2);
    EXPECT_TRUE(WaitForCount(1));
}

TEST_F(RegistryNotifyTest, DeletingTheValueNotifies)
{
    SetDWORD(L"Level", 1);
    ASSERT_EQ(S_OK, RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Level", window, WM_WATCHED, 1, NULL,
                                         &notification));
    RegDeleteKeyValueW(HKEY_CURRENT_USER, WATCHED_KEY, L"Level");
    ASSERT_TRUE(WaitForCount(1));
    EXPECT_EQ(0u, received[0].wParam);
}

TEST_F(RegistryNotifyTest, AChangeByAnotherProcessArrives)
{
    ASSERT_EQ(S_OK, RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"service", window, WM_WATCHED, 35, NULL,
                                         &notification));
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(0u, RunProgram(std::wstring(system) + L"\\reg.exe",
                             L"add HKCU\\" WATCHED_KEY L" /v service /t REG_SZ /d 2 /f"));
    ASSERT_TRUE(WaitForCount(1));
    EXPECT_EQ(35, received[0].lParam);
}

TEST_F(RegistryNotifyTest, ClosedNotificationIsSilent)
{
    ASSERT_EQ(S_OK, RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Level", window, WM_WATCHED, 1, NULL,
                                         &notification));
    EXPECT_EQ(S_OK, RegistryCloseNotification(notification));
    notification = NULL;
    SetDWORD(L"Level", 9);
    PumpMessagesFor(500);
    EXPECT_EQ(0u, received.size());
}

// All watches share one waiting thread, which can wait on 63 of them.
TEST_F(RegistryNotifyTest, ManyWatchesAtOnceEachNotifyAndClosingOneSparesTheOthers)
{
    std::vector<HREGNOTIFY> open;
    HRESULT refused = S_OK;
    for (int i = 0; i < 80; i++) {
        wchar_t name[16];
        swprintf(name, 16, L"Value%d", i);
        HREGNOTIFY handle = NULL;
        HRESULT result =
            RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, name, window, WM_WATCHED, 100 + i, NULL, &handle);
        if (FAILED(result)) {
            refused = result;
            break;
        }
        open.push_back(handle);
    }
    EXPECT_EQ(E_OUTOFMEMORY, refused) << "past the limit a watch is refused, not silently dead";
    ASSERT_GE(open.size(), 50u) << "other tests' watches are all closed";
    size_t last = open.size() - 1;

    // The first and the last watch, with one in the middle closed between.
    ASSERT_EQ(S_OK, RegistryCloseNotification(open[10]));
    SetDWORD(L"Value0", 1);
    SetDWORD(L"Value10", 1);
    wchar_t lastName[16];
    swprintf(lastName, 16, L"Value%d", (int)last);
    SetDWORD(lastName, 7);
    ASSERT_TRUE(WaitForCount(2));
    PumpMessagesFor(300);
    ASSERT_EQ(2u, received.size()) << "nothing from the closed watch";
    LPARAM first = received[0].lParam, second = received[1].lParam;
    EXPECT_EQ(100 + 0 + 100 + (LPARAM)last, first + second);

    // The freed place takes a new watch, and it works.
    HREGNOTIFY again = NULL;
    ASSERT_EQ(S_OK, RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Again", window, WM_WATCHED, 5, NULL, &again));
    SetDWORD(L"Again", 3);
    ASSERT_TRUE(WaitForCount(3));
    EXPECT_EQ(5, received[2].lParam);
    EXPECT_EQ(3u, received[2].wParam);

    EXPECT_EQ(S_OK, RegistryCloseNotification(again));
    for (size_t i = 0; i < open.size(); i++) {
        if (i != 10) {
            EXPECT_EQ(S_OK, RegistryCloseNotification(open[i]));
        }
    }
}

// Watches come and go while changes arrive: each open watch still sees its
// own change, and closing never waits long.
TEST_F(RegistryNotifyTest, WatchesOpenedAndClosedDuringChangesLoseNone)
{
    HREGNOTIFY steady = NULL;
    ASSERT_EQ(S_OK,
              RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Steady", window, WM_WATCHED, 1, NULL, &steady));
    DWORD start = GetTickCount();
    for (DWORD round = 1; round <= 30; round++) {
        HREGNOTIFY passing = NULL;
        ASSERT_EQ(S_OK, RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Passing", window, WM_WATCHED, 2, NULL,
                                             &passing));
        SetDWORD(L"Steady", round);
        ASSERT_EQ(S_OK, RegistryCloseNotification(passing));
        ASSERT_TRUE(PumpMessagesUntil(
            [&] {
                for (const Received &r : received)
                    if (r.lParam == 1 && r.wParam == round)
                        return true;
                return false;
            },
            5000))
            << "round " << round;
    }
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(S_OK, RegistryCloseNotification(steady));
}

TEST_F(RegistryNotifyTest, OnlyAnyChangeConditionsAreOffered)
{
    NOTIFICATIONCONDITION condition = {};
    condition.ctComparisonType = REG_CT_EQUAL;
    EXPECT_EQ(E_NOTIMPL, RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Level", window, WM_WATCHED, 1,
                                              &condition, &notification));
    EXPECT_EQ(E_INVALIDARG,
              RegistryNotifyWindow(HKEY_CURRENT_USER, WATCHED_KEY, L"Level", NULL, WM_WATCHED, 1, NULL, &notification));
    notification = NULL;
}

TEST_F(RegistryNotifyTest, GetDWORDAndGetString)
{
    SetDWORD(L"Level", 77);
    RegSetKeyValueW(HKEY_CURRENT_USER, WATCHED_KEY, L"Name", REG_SZ, L"Operator", 18);
    DWORD value = 0;
    EXPECT_EQ(S_OK, RegistryGetDWORD(HKEY_CURRENT_USER, WATCHED_KEY, L"Level", &value));
    EXPECT_EQ(77u, value);
    EXPECT_TRUE(FAILED(RegistryGetDWORD(HKEY_CURRENT_USER, WATCHED_KEY, L"Name", &value)));
    EXPECT_TRUE(FAILED(RegistryGetDWORD(HKEY_CURRENT_USER, WATCHED_KEY, L"Missing", &value)));
    wchar_t text[16];
    EXPECT_EQ(S_OK, RegistryGetString(HKEY_CURRENT_USER, WATCHED_KEY, L"Name", text, 16));
    EXPECT_STREQ(L"Operator", text);
    EXPECT_TRUE(FAILED(RegistryGetString(HKEY_CURRENT_USER, WATCHED_KEY, L"Name", text, 4)));
    EXPECT_STREQ(L"", text) << "a text that does not fit leaves an empty, terminated buffer";
}

TEST(FullScreen, RecordsTheRequestedStateOnTheWindow)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(window);
    EXPECT_TRUE(SHFullScreen(window, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON));
    EXPECT_EQ((ULONG_PTR)(SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON),
              (ULONG_PTR)GetPropW(window, SHFULLSCREEN_STATE_PROPERTY));
    EXPECT_TRUE(SHFullScreen(window, SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON));
    EXPECT_EQ((ULONG_PTR)(SHFS_SHOWTASKBAR | SHFS_HIDESIPBUTTON | SHFS_SHOWSTARTICON),
              (ULONG_PTR)GetPropW(window, SHFULLSCREEN_STATE_PROPERTY));
    DestroyWindow(window);
    EXPECT_FALSE(SHFullScreen(window, SHFS_HIDETASKBAR));
}

TEST(CellularLine, RequestsWithoutADestinationAreRejected)
{
    DeleteCallsLog();
    EXPECT_EQ(TAPIERR_INVALDESTADDRESS, tapiRequestMakeCall(L"", NULL, L"Jane", NULL));
    EXPECT_EQ(TAPIERR_INVALDESTADDRESS, tapiRequestMakeCall(NULL, NULL, NULL, NULL));
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
}

TEST(CellularLine, RefusalIsANegativeErrorAndWritesNothing)
{
    DeleteCallsLog();
    SetEmulationDWORD(L"RefuseCalls", 1);
    LONG result = tapiRequestMakeCall(L"5551234", NULL, L"Jane", NULL);
    DeleteDeviceEmulationKey();
    EXPECT_LT(result, 0);
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
}

// A destination that no link can carry is never handed on in part.
TEST(CellularLine, AHandOffOfWhatIsNoNumberIsRefusedQuietly)
{
    DeleteCallsLog();
    SetEmulationDWORD(L"CallHandoff", 1);
    CapturedMessageBoxes().clear();
    LONG result = tapiRequestMakeCall(L"555-0100 Home", NULL, L"Jane", NULL);
    DeleteDeviceEmulationKey();
    EXPECT_EQ(TAPIERR_INVALDESTADDRESS, result);
    EXPECT_TRUE(CapturedMessageBoxes().empty());
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
}

TEST(ShellState, TheShellKeepsTheTimeOfTheCurrentMinute)
{
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"System\\State\\DateTime", L"Time");
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    HREGNOTIFY notification = NULL;
    ASSERT_EQ(S_OK, RegistryNotifyWindow(HKEY_LOCAL_MACHINE, L"System\\State\\DateTime", L"Time", window, WM_APP + 1, 4,
                                         NULL, &notification));
    FILETIME stored = {};
    DWORD size = sizeof(stored);
    EXPECT_TRUE(PumpMessagesUntil(
        [&] {
            return RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\State\\DateTime", L"Time", RRF_RT_REG_BINARY, NULL,
                                &stored, &size) == ERROR_SUCCESS;
        },
        5000));
    SYSTEMTIME now, kept;
    GetLocalTime(&now);
    FileTimeToSystemTime(&stored, &kept);
    int minutes = (now.wHour * 60 + now.wMinute) - (kept.wHour * 60 + kept.wMinute);
    EXPECT_TRUE(minutes == 0 || minutes == 1) << "the minute may turn between writing and reading";
    EXPECT_EQ(0, kept.wSecond);
    DWORD count = 99;
    EXPECT_EQ(S_OK, RegistryGetDWORD(HKEY_LOCAL_MACHINE, L"System\\State\\Connections", L"Count", &count));
    EXPECT_LT(count, 99u);
    RegistryCloseNotification(notification);
    DestroyWindow(window);
}

namespace
{

decltype(&WaitForMultipleObjects) realWaitForMultipleObjects;
std::atomic<long> keeperWaits{0};

// Fails every wait of the keeper's thread, as a wait on a handle gone bad
// would; the other threads' waits go through.
DWORD WINAPI FailingKeeperWait(DWORD count, const HANDLE *handles, BOOL waitAll, DWORD timeoutMs)
{
    if (GetCurrentThreadId() != ShellStateKeeperThreadId())
        return realWaitForMultipleObjects(count, handles, waitAll, timeoutMs);
    keeperWaits++;
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

long KeeperWaitsWithin(DWORD ms)
{
    long before = keeperWaits;
    Sleep(ms);
    return keeperWaits - before;
}

// Runs in a process of its own, whose keeper is started here with every
// wait failing; says on stderr what it saw and returns 0 if the keeper
// neither spun nor died.
int KeeperWithFailingWaits(void)
{
    HMODULE self = GetModuleHandleW(NULL);
    realWaitForMultipleObjects = (decltype(&WaitForMultipleObjects))(void *)GetProcAddress(
        GetModuleHandleW(L"kernel32.dll"), "WaitForMultipleObjects");
    if (!realWaitForMultipleObjects ||
        !HookImport(self, "kernel32.dll", "WaitForMultipleObjects", (void *)FailingKeeperWait)) {
        fprintf(stderr, "cannot hook WaitForMultipleObjects\n");
        return 2;
    }
    StartShellStateKeeper();
    for (int waited = 0; waited < 5000 && keeperWaits == 0; waited += 10)
        Sleep(10);
    // A spinning keeper fails hundreds of waits a second; one that backs
    // off until its next look fails none, one if the minute turns meanwhile.
    long waits = KeeperWaitsWithin(1000);
    HANDLE keeper = OpenThread(SYNCHRONIZE, FALSE, ShellStateKeeperThreadId());
    bool alive = keeper && WaitForSingleObject(keeper, 0) == WAIT_TIMEOUT;
    if (keeper)
        CloseHandle(keeper);
    RestoreImport(self, (void *)FailingKeeperWait, (void *)realWaitForMultipleObjects);
    fprintf(stderr, "keeper waits: %ld before, %ld within a second; keeper %s\n", (long)keeperWaits - waits, waits,
            alive ? "alive" : "gone");
    return keeperWaits > 0 && waits <= 1 && alive ? 0 : 1;
}

} // namespace

TEST(ShellState, AKeeperWhoseWaitFailsBacksOffInsteadOfSpinning)
{
    EXPECT_EXIT(exit(KeeperWithFailingWaits()), ::testing::ExitedWithCode(0), "keeper waits");
}
