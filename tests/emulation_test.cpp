// The device services our program relies on, as the desktop stand-ins
// provide them.
#include <aygshell.h>
#include <gtest/gtest.h>
#include <regext.h>
#include <tapi.h>

#include <vector>

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
    EXPECT_EQ("", ReadFileBytes(CallsLogPath()));
}

TEST(CellularLine, RefusalIsANegativeErrorAndWritesNothing)
{
    DeleteCallsLog();
    SetEmulationDWORD(L"RefuseCalls", 1);
    LONG result = tapiRequestMakeCall(L"5551234", NULL, L"Jane", NULL);
    DeleteDeviceEmulationKey();
    EXPECT_LT(result, 0);
    EXPECT_EQ("", ReadFileBytes(CallsLogPath()));
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
