#include "test_support.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/emulation.h"

void DeleteSettingsKey()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY);
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_KEY);
}

void DeleteDeviceEmulationKey()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, DEVICE_EMULATION_KEY);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, DEVICE_EMULATION_KEY);
}

void StartFreshDevice()
{
    DeleteSettingsKey();
    DeleteDeviceEmulationKey();
    DeleteCallsLog();
    ResetAppState();
}

static void SetValue(HKEY root, const wchar_t *key, const wchar_t *name, DWORD type, const void *data, DWORD size)
{
    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &handle, NULL));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(handle, name, 0, type, (const BYTE *)data, size));
    RegCloseKey(handle);
}

void SetSettingValue(const wchar_t *name, const std::wstring &text)
{
    SetValue(HKEY_CURRENT_USER, SETTINGS_KEY, name, REG_SZ, text.c_str(), (DWORD)((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring GetSettingValue(const wchar_t *name, bool *present)
{
    if (present)
        *present = false;
    DWORD size = 0;
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_ANY, &type, NULL, &size) != ERROR_SUCCESS)
        return L"";
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1);
    if (RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_ANY, &type, text.data(), &size) != ERROR_SUCCESS)
        return L"";
    if (present)
        *present = true;
    return std::wstring(text.data());
}

void SetEmulationDWORD(const wchar_t *name, DWORD value)
{
    SetValue(HKEY_LOCAL_MACHINE, DEVICE_EMULATION_KEY, name, REG_DWORD, &value, sizeof(value));
}

void SetEmulationString(const wchar_t *name, const std::wstring &text)
{
    SetValue(HKEY_LOCAL_MACHINE, DEVICE_EMULATION_KEY, name, REG_SZ, text.c_str(),
             (DWORD)((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring ExecutableFolder()
{
    wchar_t path[MAX_PATH];
    EmulationExecutableFolder(path, MAX_PATH);
    return path;
}

std::string ReadFileBytes(const std::wstring &path)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, NULL) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

void WriteFileBytes(const std::wstring &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) && written == bytes.size());
    CloseHandle(file);
}

std::wstring CallsLogPath()
{
    return ExecutableFolder() + L"calls.log";
}

static bool IsLogTime(const std::string &text)
{
    const std::string form = "0000-00-00T00:00:00";
    if (text.size() != form.size())
        return false;
    for (size_t i = 0; i < form.size(); i++) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (form[i] == '0' ? !digit : text[i] != form[i])
            return false;
    }
    return true;
}

std::string CallsLogWithoutTimes(const std::wstring &path)
{
    std::string bytes = ReadFileBytes(path);
    std::string kept;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "calls.log ends inside a line: " << bytes.substr(start);
            end = bytes.size();
        }
        std::string line = bytes.substr(start, end - start);
        size_t tab = line.find('\t');
        size_t timeTab = tab == std::string::npos ? tab : line.find('\t', tab + 1);
        if (timeTab == std::string::npos || !IsLogTime(line.substr(timeTab + 1)))
            ADD_FAILURE() << "calls.log line without its time: " << line;
        else
            line.erase(timeTab);
        kept += line + "\n";
        start = end + 1;
    }
    return kept;
}

void DeleteCallsLog()
{
    DeleteFileW(CallsLogPath().c_str());
}

bool PumpMessagesUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return done();
        MSG message;
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpMessagesFor(DWORD ms)
{
    PumpMessagesUntil([] { return false; }, ms);
}

HANDLE StartProgram(const std::wstring &exe, const std::wstring &arguments)
{
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // Wine reports ERROR_INTERNAL_ERROR when the new process died inside its
    // own loader, before any of the program's code ran; seen on fresh
    // machines, it is retried rather than taken for the program's fault.
    for (int attempt = 0;; attempt++) {
        if (CreateProcessW(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
            break;
        DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 2) {
            ADD_FAILURE() << "cannot start " << Narrow(exe) << ": error " << error;
            return NULL;
        }
        fprintf(stderr, "Wine could not start %s (error %lu); starting it again\n", Narrow(exe).c_str(), error);
        Sleep(200);
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

HWND WaitForMessageBox(const wchar_t *caption)
{
    HWND box = NULL;
    // A dialog has its caption before its controls: it is ready once shown.
    PumpMessagesUntil([&] { return (box = FindWindowW(L"#32770", caption)) != NULL && IsWindowVisible(box); }, 20000);
    return box != NULL && IsWindowVisible(box) ? box : NULL;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring MessageBoxText(HWND box)
{
    return WindowText(GetDlgItem(box, 0xFFFF));
}

// Wine starts a program that is no Windows executable as a Unix process,
// which it cannot wait for: its end is told by a file it leaves.
bool XInput(const std::string &xdotoolArguments)
{
    std::wstring done = ExecutableFolder() + L"xinput.done";
    DeleteFileW(done.c_str());
    // The build folder is on Wine's drive Z:, the Unix root.
    std::string unixDone = Narrow(done.substr(2));
    for (char &c : unixDone)
        c = c == '\\' ? '/' : c;
    std::string command = "xdotool " + xdotoolArguments + "; touch '" + unixDone + "'";
    std::wstring arguments = L"-c \"" + std::wstring(command.begin(), command.end()) + L"\"";
    HANDLE shell = StartProgram(L"Z:\\bin\\sh", arguments);
    if (shell)
        CloseHandle(shell);
    return PumpMessagesUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
}

std::string PointerAt(const RECT &box)
{
    return "mousemove " + std::to_string((box.left + box.right) / 2) + " " + std::to_string((box.top + box.bottom) / 2);
}

std::string PointerAt(HWND window)
{
    RECT box = {};
    GetWindowRect(window, &box);
    return PointerAt(box);
}

std::vector<DWORD> ScreenPixels(const RECT &area)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    std::vector<DWORD> pixels((size_t)width * height);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    memcpy(pixels.data(), bits, pixels.size() * sizeof(DWORD));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

DWORD RunProgram(const std::wstring &exe, const std::wstring &arguments, DWORD timeoutMs)
{
    HANDLE process = StartProgram(exe, arguments);
    if (!process)
        return (DWORD)-1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    else {
        ADD_FAILURE() << Narrow(exe) << " did not end in time";
        TerminateProcess(process, 99);
    }
    CloseHandle(process);
    return code;
}

static std::vector<CapturedBox> capturedBoxes;
static std::function<void(HWND)> dialogHandler;

void SetDialogHandler(const std::function<void(HWND dialog)> &handler)
{
    dialogHandler = handler;
}

std::vector<CapturedBox> &CapturedMessageBoxes()
{
    return capturedBoxes;
}

std::vector<std::wstring> CapturedBoxTexts()
{
    std::vector<std::wstring> texts;
    for (const CapturedBox &box : capturedBoxes) {
        EXPECT_EQ(L"Zembrik", box.caption);
        texts.push_back(box.text);
    }
    return texts;
}

bool LastDialedStored()
{
    bool present = false;
    GetSettingValue(L"lastDialedNumber", &present);
    return present;
}

static LRESULT CALLBACK CaptureMessageBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        wchar_t className[16] = L"";
        GetClassNameW(box, className, 16);
        if (wcscmp(className, L"#32770") == 0) {
            capturedBoxes.push_back({WindowText(box), MessageBoxText(box)});
            if (dialogHandler)
                dialogHandler(box);
            else
                PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

namespace
{
class MessageBoxCapture : public ::testing::Environment
{
    HHOOK hook = NULL;
    void SetUp() override { hook = SetWindowsHookExW(WH_CBT, CaptureMessageBox, NULL, GetCurrentThreadId()); }
    void TearDown() override { UnhookWindowsHookEx(hook); }
};
::testing::Environment *const messageBoxCapture = ::testing::AddGlobalTestEnvironment(new MessageBoxCapture);
} // namespace
