// The real zembrik.exe, started as a user or another program would start it.
// Each test runs its own copy in a folder of its own, so that calls.log
// and the companion-program lookup belong to that test alone.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/app_state.h"
#include "platform/contact_store.h"
#include "settings_program/settings_program.h"
#include "support/fake_server.h"
#include "support/test_support.h"

class ProgramTest : public ::testing::Test
{
  protected:
    std::wstring folder;
    std::wstring exe;
    PROCESS_INFORMATION running = {};

    void SetUp() override
    {
        DeleteSettingsKey();
        DeleteDeviceEmulationKey();
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = ExecutableFolder() + L"run-" + std::wstring(test->name(), test->name() + strlen(test->name())) + L"\\";
        CreateDirectoryW(folder.c_str(), NULL);
        DeleteFileW((folder + L"calls.log").c_str());
        exe = folder + L"zembrik.exe";
        ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"zembrik.exe").c_str(), exe.c_str(), FALSE));
    }
    void TearDown() override
    {
        DeleteFileW((folder + L"default.png").c_str());
        if (running.hProcess) {
            TerminateProcess(running.hProcess, 1);
            CloseHandle(running.hProcess);
        }
        DeleteFileW(exe.c_str());
        DeleteFileW((folder + L"calls.log").c_str());
        RemoveDirectoryW(folder.c_str());
        DeleteSettingsKey();
        DeleteDeviceEmulationKey();
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"tel");
    }
    std::string CallsLog() { return CallsLogWithoutTimes(folder + L"calls.log"); }

    // Starts the dialer and waits until it shows its window, which it does
    // only after start-up has loaded (and written back) the settings.
    HANDLE Start(const std::wstring &arguments) { return StartProgram(exe, arguments); }
    HWND StartShowingWindow(const std::wstring &arguments = L"")
    {
        running.hProcess = Start(arguments);
        if (!running.hProcess)
            return NULL;
        HWND window = NULL;
        PumpMessagesUntil(
            [&] {
                window = FindWindowW(ZEMBRIK_CLASS_NAME, NULL);
                return window && IsWindowVisible(window);
            },
            20000);
        return window;
    }
    // Real X input, and time for the programs to take it.
    void Input(const std::string &xdotoolArguments)
    {
        ASSERT_TRUE(XInput(xdotoolArguments));
        PumpMessagesFor(300);
    }
    void Click(HWND control) { Input(PointerAt(control) + " click 1"); }
    DWORD CloseAndWait(HWND window)
    {
        PostMessageW(window, WM_CLOSE, 0, 0);
        DWORD code = (DWORD)-1;
        if (WaitForSingleObject(running.hProcess, 20000) == WAIT_OBJECT_0)
            GetExitCodeProcess(running.hProcess, &code);
        CloseHandle(running.hProcess);
        running.hProcess = NULL;
        return code;
    }
};

TEST_F(ProgramTest, CommandLineDialEndsEarlyAndRecordsTheNumber)
{
    EXPECT_EQ(16u, RunProgram(exe, L"555-1234 -name=Jane Doe"));
    EXPECT_EQ("5551234\tJane Doe\n", CallsLog());
    EXPECT_EQ(L"5551234", GetSettingValue(L"lastDialedNumber"));
    EXPECT_EQ(NULL, FindWindowW(ZEMBRIK_CLASS_NAME, NULL)) << "no window may stay behind";
}

TEST_F(ProgramTest, RefusedCellularRequestRecordsNothing)
{
    SetEmulationDWORD(L"RefuseCalls", 1);
    EXPECT_EQ(16u, RunProgram(exe, L"5551234"));
    EXPECT_EQ("", CallsLog());
    bool present = true;
    GetSettingValue(L"lastDialedNumber", &present);
    EXPECT_FALSE(present);
}

// A command line that is no number, or one too long to dial whole, dials
// nothing: the dialer shows, with one message that names the text.
TEST_F(ProgramTest, ACommandLineThatIsNoNumberDialsNothingAndSaysSo)
{
    SetSettingValue(L"exitOnMinimize", L"0");
    const struct {
        std::wstring arguments;
        std::wstring message;
    } lines[] = {
        {L"--help", L"Nothing was dialled: \"--help\" is not a phone number."},
        {L"sip:5551234@example.net", L"Nothing was dialled: \"sip:5551234@example.net\" is not a phone number."},
        {std::wstring(2000, L'5') + L" -name=" + std::wstring(500, L'n'),
         L"The number \"" + std::wstring(96, L'5') + L"...\" is too long to dial."},
    };
    for (const auto &line : lines) {
        running.hProcess = Start(line.arguments);
        HWND box = WaitForMessageBox(L"Zembrik");
        ASSERT_TRUE(box != NULL);
        EXPECT_EQ(line.message, MessageBoxText(box));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        HWND window = NULL;
        EXPECT_TRUE(PumpMessagesUntil(
            [&] { return (window = FindWindowW(ZEMBRIK_CLASS_NAME, NULL)) != NULL && IsWindowVisible(window); },
            20000));
        EXPECT_EQ("", CallsLog());
        EXPECT_EQ(0u, CloseAndWait(window));
    }
}

TEST_F(ProgramTest, FirstStartWritesTheDefaultsAndRunsUntilClosed)
{
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    EXPECT_EQ(L"+1_NNN_NNN_NNNN;1_(NNN)_NNN-NNNN;NNN-NNNN;(NNN)_NNN-NNNN", GetSettingValue(L"dialplan"));
    EXPECT_EQ(L"default", GetSettingValue(L"skin"));
    EXPECT_EQ(L"1", GetSettingValue(L"countryCode"));
    EXPECT_EQ(L"0", GetSettingValue(L"service"));
    bool present = false;
    GetSettingValue(L"myNumber", &present);
    EXPECT_TRUE(present);
    GetSettingValue(L"lastDialedNumber", &present);
    EXPECT_FALSE(present);
    EXPECT_EQ(0u, CloseAndWait(window));
}

TEST_F(ProgramTest, SecondStartHandsItsNumberToTheRunningInstance)
{
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    EXPECT_EQ(16u, RunProgram(exe, L"5551234 -name=Bob"));
    EXPECT_EQ("5551234\tBob\n", CallsLog()) << "the running instance dialled";
    EXPECT_EQ(L"5551234", GetSettingValue(L"lastDialedNumber"));
    EXPECT_EQ(16u, RunProgram(exe, L""));
    EXPECT_EQ("5551234\tBob\n", CallsLog()) << "an empty start only brings the window forward";
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(0u, CloseAndWait(window));
}

// Losing activation ends the dialer, and so does the call that minimizes it,
// although the desktop's window manager keeps a minimized window active.
TEST_F(ProgramTest, ExitOnMinimizeEndsTheProgramCleanly)
{
    for (bool call : {false, true}) {
        HWND window = StartShowingWindow();
        ASSERT_TRUE(window != NULL);
        if (call) {
            PostMessageW(window, WM_COMMAND, CMD_KEY, '5');
            PostMessageW(window, WM_COMMAND, CMD_DIAL, 0);
        } else {
            SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
        }
        DWORD code = (DWORD)-1;
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(running.hProcess, 20000)) << "after a call: " << call;
        GetExitCodeProcess(running.hProcess, &code);
        EXPECT_EQ(0u, code);
        CloseHandle(running.hProcess);
        running.hProcess = NULL;
    }
    EXPECT_EQ("5\t\n", CallsLog());
}

TEST_F(ProgramTest, EachCallbackServiceDialsFromTheCommandLine)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    const struct {
        const wchar_t *type;
        const wchar_t *username;
        std::vector<std::string> replies;
        std::string callsLog;
    } services[] = {
        {L"grandcentral",
         L"jane",
         {"HTTP/1.0 200 OK\r\nSet-Cookie: a_t=A;\r\nSet-Cookie: v_s=V;\r\nSet-Cookie: _session_id=S;\r\n\r\n",
          "HTTP/1.0 200 OK\r\n\r\nresult=0"},
         ""},
        {L"jajah",
         L"jane@example.com",
         {"HTTP/1.0 200 OK\r\nSet-Cookie: .ASPXAUTH=X;\r\n\r\n", "HTTP/1.0 200 OK\r\n\r\nYour phone will ring"},
         ""},
        {L"phone.com", L"1234567#101", {"HTTP/1.0 200 OK\r\n\r\n+18005551234\r\n"}, "+18005551234\tJane\n"},
    };
    for (const auto &service : services) {
        DeleteSettingsKey();
        DeleteFileW((folder + L"calls.log").c_str());
        SetSettingValue(L"myNumber", L"+14155550100");
        SetSettingValue(L"service1type", service.type);
        SetSettingValue(L"service1username", service.username);
        SetSettingValue(L"service1password", L"pw");
        FakeServer server("127.0.0.1");
        ASSERT_TRUE(server.Listening());
        for (const std::string &reply : service.replies)
            server.Queue(Reply(reply));
        EXPECT_EQ(16u, RunProgram(exe, L"4155550199 -name=Jane")) << Narrow(service.type);
        EXPECT_EQ(service.replies.size(), server.Requests().size()) << Narrow(service.type);
        EXPECT_EQ(L"4155550199", GetSettingValue(L"lastDialedNumber")) << Narrow(service.type);
        EXPECT_EQ(service.callsLog, CallsLog()) << Narrow(service.type);
    }
}

TEST_F(ProgramTest, TheScreenShowsTheDialer)
{
    ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"default.png").c_str(), (folder + L"default.png").c_str(), FALSE));
    SetSettingValue(L"exitOnMinimize", L"0");
    SetSettingValue(L"lastDialedNumber", L"5551234");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    PumpMessagesFor(500);

    // What the X screen shows, read back through the desktop's own DC.
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_EQ(240, width);
    ASSERT_EQ(320, height);
    HDC screen = GetDC(NULL);
    HDC shot = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(shot, bitmap);
    BitBlt(shot, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ReleaseDC(NULL, screen);

    auto isNear = [](COLORREF got, int r, int g, int b, int tolerance) {
        return abs(GetRValue(got) - r) <= tolerance && abs(GetGValue(got) - g) <= tolerance &&
               abs(GetBValue(got) - b) <= tolerance;
    };
    COLORREF statusBar = GetPixel(shot, 120, 15);
    COLORREF display = GetPixel(shot, 3, 16);
    COLORREF keyOne = GetPixel(shot, 3, 60);
    COLORREF callKey = GetPixel(shot, 84, 268);
    EXPECT_TRUE(GetRValue(statusBar) < 60 && GetGValue(statusBar) < 60 && GetBValue(statusBar) < 60)
        << std::hex << statusBar;
    EXPECT_TRUE(isNear(display, 104, 124, 150, 4)) << std::hex << display;
    EXPECT_TRUE(isNear(keyOne, 28, 35, 45, 4)) << std::hex << keyOne;
    EXPECT_TRUE(GetGValue(callKey) > GetRValue(callKey) + 40 && GetGValue(callKey) > GetBValue(callKey) + 40)
        << std::hex << callKey;

    SelectObject(shot, previous);
    DeleteObject(bitmap);
    DeleteDC(shot);
    EXPECT_EQ(0u, CloseAndWait(window));
}

// Presses OK in the contact chooser that another process shows.
static bool PickInChooser()
{
    HWND chooser = WaitForMessageBox(L"Zembrik: Select a contact");
    return chooser && PostMessageW(chooser, WM_COMMAND, IDOK, 0);
}

static DWORD WaitForExit(HANDLE process)
{
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process, 20000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

// The pick is read as written: its extension follows a pause.
TEST_F(ProgramTest, ChooseContactAtStartDialsThePickAndEnds)
{
    ASSERT_TRUE(AppendContact(folder + L"contacts.vcf", {L"Jane Doe", {L"(800) 901-3355 x 7246433"}}));
    HANDLE dialer = Start(L"-choosecontact");
    ASSERT_TRUE(dialer != NULL);
    EXPECT_TRUE(PickInChooser());
    EXPECT_EQ(16u, WaitForExit(dialer));
    EXPECT_EQ("8009013355p7246433\tJane Doe\n", CallsLog());
    DeleteFileW((folder + L"contacts.vcf").c_str());
}

TEST_F(ProgramTest, ChooseContactSentToTheRunningDialerKeepsItsWindow)
{
    ASSERT_TRUE(AppendContact(folder + L"contacts.vcf", {L"Bob", {L"5550199"}}));
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    HANDLE second = Start(L"-choosecontact");
    EXPECT_TRUE(PickInChooser());
    EXPECT_EQ(16u, WaitForExit(second));
    EXPECT_EQ("5550199\tBob\n", CallsLog());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(0u, CloseAndWait(window));
    DeleteFileW((folder + L"contacts.vcf").c_str());
}

// The desktop shell quotes an argument that holds a space, and the program
// receives the quotes with its command line.
TEST_F(ProgramTest, ShellQuotedArgumentsGiveTheNumberAndTheName)
{
    EXPECT_EQ(16u, RunProgram(exe, L"\"555 1234 -name=Jane Doe\""));
    EXPECT_EQ(16u, RunProgram(exe, L"555-1234 \"-name=Jane Doe\""));
    EXPECT_EQ("5551234\tJane Doe\n5551234\tJane Doe\n", CallsLog());

    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    EXPECT_EQ(16u, RunProgram(exe, L"5550199 \"-name=Bob Roe\""));
    EXPECT_EQ("5551234\tJane Doe\n5551234\tJane Doe\n5550199\tBob Roe\n", CallsLog()) << "the hand-over alike";
    EXPECT_EQ(0u, CloseAndWait(window));
}

static bool IsFullScreenInFront(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return !IsIconic(window) && GetForegroundWindow() == window && rect.left == 0 && rect.top == 0 &&
           rect.right == GetSystemMetrics(SM_CXSCREEN) && rect.bottom == GetSystemMetrics(SM_CYSCREEN);
}

// Without exit on minimize, a call leaves what the desktop shows of a
// minimized window: a click there brings the dialer back, and so does a
// second start, with or without a number.
TEST_F(ProgramTest, ASecondStartOrAClickBringsTheMinimizedDialerBack)
{
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    for (wchar_t key : std::wstring(L"5551234"))
        PostMessageW(window, WM_COMMAND, CMD_KEY, key);
    // A key that the double click tapped would change the next call's number.
    for (const wchar_t *arguments : {L"click", L"double click", L"", L"5551234"}) {
        PostMessageW(window, WM_COMMAND, CMD_DIAL, 0);
        ASSERT_TRUE(PumpMessagesUntil([&] { return IsIconic(window) != FALSE; }, 5000));
        // The X window follows the minimized one a moment later: a click
        // before that lands where the dialer was.
        PumpMessagesFor(500);
        std::string at = PointerAt(window);
        if (std::wstring(arguments).find(L"click") == std::wstring::npos)
            EXPECT_EQ(16u, RunProgram(exe, arguments));
        else
            ASSERT_TRUE(XInput(at + " click --repeat " + (arguments[0] == L'd' ? "2" : "1") + " 1"));
        ASSERT_TRUE(PumpMessagesUntil([&] { return IsFullScreenInFront(window); }, 10000))
            << "after '" << Narrow(arguments) << "': minimized " << IsIconic(window) << ", in front "
            << (GetForegroundWindow() == window) << ", clicked at " << at;
    }
    PumpMessagesFor(300);
    EXPECT_EQ("5551234\t\n5551234\t\n5551234\t\n5551234\t\n5551234\t\n", CallsLog())
        << "one call each time, and the click that brought the dialer back tapped no key";
    EXPECT_EQ(0u, CloseAndWait(window));
}

// What the X screen shows at (x, y), read back through the desktop's DC.
static COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(NULL);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(NULL, screen);
    return colour;
}

static bool IsGreen(COLORREF c)
{
    return GetGValue(c) > GetRValue(c) + 40 && GetGValue(c) > GetBValue(c) + 40;
}

TEST_F(ProgramTest, ARotatedWindowShowsItsNewLayoutWhole)
{
    ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"default.png").c_str(), (folder + L"default.png").c_str(), FALSE));
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    PumpMessagesFor(500);
    // Portrait: the key 6 lies at (210, 113); landscape 240x180 puts the call
    // key there, in the fourth column, and the key 1 at (3, 50).
    ASSERT_FALSE(IsGreen(ScreenPixel(210, 113)));
    SetWindowPos(window, NULL, 0, 0, 240, 180, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(PumpMessagesUntil([] { return IsGreen(ScreenPixel(210, 113)); }, 3000))
        << std::hex << ScreenPixel(210, 113);
    COLORREF keyOne = ScreenPixel(3, 50);
    EXPECT_TRUE(abs(GetRValue(keyOne) - 28) <= 4 && abs(GetGValue(keyOne) - 35) <= 4 &&
                abs(GetBValue(keyOne) - 45) <= 4)
        << std::hex << keyOne;
    EXPECT_EQ(0u, CloseAndWait(window));
}

// A second start whose hand-over arrives while the running dialer's chooser
// is open waits for that dial to end; it never dials inside it.
TEST_F(ProgramTest, AHandOverDuringADialIsHeldUntilItEnds)
{
    ASSERT_TRUE(AppendContact(folder + L"contacts.vcf", {L"Bob", {L"5550199"}}));
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    HANDLE chooserStart = Start(L"-choosecontact");
    ASSERT_TRUE(PumpMessagesUntil([] { return FindWindowW(L"#32770", L"Zembrik: Select a contact") != NULL; }, 20000));
    EXPECT_EQ(16u, RunProgram(exe, L"5551234")) << "the later start is not kept waiting";
    EXPECT_EQ(16u, RunProgram(exe, L"-name=Ann"));
    EXPECT_EQ(16u, RunProgram(exe, L"5550100"));
    EXPECT_EQ("", CallsLog()) << "nothing is dialled while the chooser is open";
    EXPECT_TRUE(PickInChooser());
    EXPECT_EQ(16u, WaitForExit(chooserStart));
    const std::string inOrder = "5550199\tBob\n5551234\t\n5550100\tAnn\n";
    EXPECT_TRUE(PumpMessagesUntil([&] { return CallsLog().size() >= inOrder.size(); }, 5000));
    EXPECT_EQ(inOrder, CallsLog()) << "every held start in its turn, none replaced by a later one";
    EXPECT_EQ(0u, CloseAndWait(window));
    DeleteFileW((folder + L"contacts.vcf").c_str());
}

// A new contact is written before its card closes. Held by another program,
// the store cannot take it: the card says why, once, and stays with what
// was typed, until a later Save writes it.
TEST_F(ProgramTest, AContactThatCannotBeSavedKeepsItsCardAndSaysWhy)
{
    const int nameField = 103;
    const std::wstring store = folder + L"contacts.vcf";
    WriteFileBytes(store, "");
    HANDLE held = CreateFileW(store.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    PostMessageW(window, WM_COMMAND, CMD_KEY, KEY_NEW_CONTACT);
    HWND card = WaitForMessageBox(L"New contact");
    ASSERT_TRUE(card != NULL);
    SendMessageW(GetDlgItem(card, nameField), WM_SETTEXT, 0, (LPARAM)L"Ann Held");
    PostMessageW(card, WM_COMMAND, IDOK, 0);
    HWND box = WaitForMessageBox(L"Contacts");
    ASSERT_TRUE(box != NULL);
    EXPECT_EQ(L"The contact was not saved: another program is using the contacts file. Close it, then save again.",
              MessageBoxText(box));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    PumpMessagesFor(300);
    EXPECT_TRUE(IsWindowVisible(card)) << "the card stays open";
    wchar_t typed[32] = L"";
    SendMessageW(GetDlgItem(card, nameField), WM_GETTEXT, 32, (LPARAM)typed);
    EXPECT_STREQ(L"Ann Held", typed);
    CloseHandle(held);

    PostMessageW(card, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpMessagesUntil([&] { return !IsWindow(card); }, 20000));
    auto cards = LoadContacts(store);
    ASSERT_EQ(1u, cards.size()) << "written by the time the card closed";
    EXPECT_EQ(L"Ann Held", cards[0].name);
    EXPECT_EQ(0u, CloseAndWait(window));
    DeleteFileW(store.c_str());
}

// Starts at once, with no dialer running: whichever finds another's window
// hands over to it, and whichever finds it ending dials itself. Every
// number is dialled once, on a whole line of the log.
TEST_F(ProgramTest, RacingStartsDialEachNumberExactlyOnce)
{
    std::vector<HANDLE> starts;
    std::multiset<std::string> expected, logged;
    for (int i = 10; i < 30; i++) {
        expected.insert("55501" + std::to_string(i) + "\t");
        starts.push_back(Start(L"55501" + std::to_wstring(i)));
    }
    for (HANDLE start : starts)
        EXPECT_EQ(16u, WaitForExit(start));
    std::istringstream lines(CallsLog());
    for (std::string line; std::getline(lines, line);)
        logged.insert(line);
    EXPECT_EQ(expected, logged);
}

TEST_F(ProgramTest, ChooseContactOverExportedAddressBooksDialsPlainNumbers)
{
    const struct {
        const wchar_t *file;
        std::wstring firstPick;
    } exports[] = {
        {L"vcard-4.0.vcf", L"+14186569254p102\tSimon Perreault\n"},
        {L"android-2.1.vcf", L"+79123456789\t\u0418\u0432\u0430\u043d \u041f\u0435\u0442\u0440\u043e\u0432\n"},
    };
    for (const auto &exported : exports) {
        DeleteFileW((folder + L"calls.log").c_str());
        ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"vcards\\" + exported.file).c_str(),
                              (folder + L"contacts.vcf").c_str(), FALSE));
        HANDLE dialer = Start(L"-choosecontact");
        ASSERT_TRUE(dialer != NULL);
        EXPECT_TRUE(PickInChooser());
        EXPECT_EQ(16u, WaitForExit(dialer));
        EXPECT_EQ(Narrow(exported.firstPick), CallsLog()) << Narrow(exported.file);
    }
    DeleteFileW((folder + L"contacts.vcf").c_str());
}

// A message box the chooser's dial shows belongs to that dial: a second start
// delivered while it is open waits for it to be closed.
TEST_F(ProgramTest, AHandOverDuringTheChoosersMessageIsHeldUntilItCloses)
{
    // Too long to dial: the chooser's pick ends in a message box.
    ASSERT_TRUE(AppendContact(folder + L"contacts.vcf", {L"Long", {std::wstring(300, L'5')}}));
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow();
    ASSERT_TRUE(window != NULL);
    HANDLE chooserStart = Start(L"-choosecontact");
    ASSERT_TRUE(PickInChooser());
    HWND box = WaitForMessageBox(L"Zembrik");
    ASSERT_TRUE(box != NULL);
    EXPECT_EQ(16u, RunProgram(exe, L"5551234"));
    EXPECT_EQ("", CallsLog()) << "no dial inside the open message box";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(16u, WaitForExit(chooserStart));
    EXPECT_TRUE(PumpMessagesUntil([&] { return !CallsLog().empty(); }, 5000));
    EXPECT_EQ("5551234\t\n", CallsLog());
    EXPECT_EQ(0u, CloseAndWait(window));
    DeleteFileW((folder + L"contacts.vcf").c_str());
}

// A number picked from an address book's export, with its separators and a
// line break encoded inside it, reaches every service and the cellular line
// as its digits alone.
TEST_F(ProgramTest, APickedNumberReachesEveryServiceClean)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    WriteFileBytes(folder + L"contacts.vcf", "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:Jane=0D=0ARoe\r\n"
                                         "TEL;CELL;ENCODING=QUOTED-PRINTABLE:(415) 555=0D=0A-0199\r\nEND:VCARD\r\n");
    const struct {
        const wchar_t *type;
        std::vector<std::string> replies;
        size_t request;
        std::string sent;
        std::string callsLog;
    } services[] = {
        {L"phone", {}, 0, "", "4155550199\tJane  Roe\n"},
        {L"grandcentral",
         {"HTTP/1.0 200 OK\r\nSet-Cookie: a_t=A;\r\nSet-Cookie: v_s=V;\r\nSet-Cookie: _session_id=S;\r\n\r\n",
          "HTTP/1.0 200 OK\r\n\r\nresult=0"},
         1,
         "GET /calls/send_call_request?a_t=A&calltype=call&destno=4155550199&ani=4155550100 HTTP/1.0\r\n"
         "Cookie: v_s=V; _session_id=S; a_t=A\r\n\r\n",
         ""},
        {L"jajah",
         {"HTTP/1.0 200 OK\r\nSet-Cookie: .ASPXAUTH=X;\r\n\r\n", "HTTP/1.0 200 OK\r\n\r\nYour phone will ring"},
         1,
         "GET /mobilemini/status.aspx?s=14155550100&d=14155550199&name=&type=1 HTTP/1.0\r\n"
         "Cookie: .ASPXAUTH=X; \r\n\r\n",
         ""},
        {L"phone.com",
         {"HTTP/1.0 200 OK\r\n\r\n+18005551234\r\n"},
         0,
         "POST /special/wmapi HTTP/1.0\r\nContent-Length: 67\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n"
         "action=easydial;number=1234567;extension=101;pass=pw;did=4155550199\r\n",
         "+18005551234\tJane  Roe\n"},
    };
    for (const auto &service : services) {
        DeleteSettingsKey();
        DeleteFileW((folder + L"calls.log").c_str());
        SetSettingValue(L"myNumber", L"+1 (415) 555-0100");
        SetSettingValue(L"service1type", service.type);
        SetSettingValue(L"service1username", L"1234567#101");
        SetSettingValue(L"service1password", L"pw");
        FakeServer server("127.0.0.1");
        ASSERT_TRUE(server.Listening());
        for (const std::string &reply : service.replies)
            server.Queue(Reply(reply));
        HANDLE dialer = Start(L"-choosecontact");
        ASSERT_TRUE(dialer != NULL);
        EXPECT_TRUE(PickInChooser());
        EXPECT_EQ(16u, WaitForExit(dialer)) << Narrow(service.type);
        std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(service.replies.size(), requests.size()) << Narrow(service.type);
        if (!requests.empty()) {
            EXPECT_EQ(service.sent, requests[service.request]) << Narrow(service.type);
        }
        EXPECT_EQ(service.callsLog, CallsLog()) << Narrow(service.type);
    }
    DeleteFileW((folder + L"contacts.vcf").c_str());
}

// A link, at start or handed over, is shown and never dialled; Call then
// dials exactly the number on screen.
TEST_F(ProgramTest, LinksAreShownAndOnlyCallDialsThem)
{
    SetSettingValue(L"exitOnMinimize", L"0");
    HWND window = StartShowingWindow(L"\"tel:+1-201-555-0123;ext=42\"");
    ASSERT_TRUE(window != NULL) << "a link at start shows the window";
    PumpMessagesFor(300);
    EXPECT_EQ("", CallsLog());
    PostMessageW(window, WM_COMMAND, CMD_DIAL, 0);
    EXPECT_TRUE(PumpMessagesUntil([&] { return !CallsLog().empty(); }, 5000));
    EXPECT_EQ("+12015550123p42\t\n", CallsLog());

    EXPECT_EQ(16u, RunProgram(exe, L"tel:*%2306%23"));
    EXPECT_TRUE(PumpMessagesUntil([&] { return IsFullScreenInFront(window); }, 5000)) << "the dialer comes back";
    PumpMessagesFor(300);
    EXPECT_EQ("+12015550123p42\t\n", CallsLog()) << "a service code in a link is not dialled";
    EXPECT_EQ(L"+12015550123p42", GetSettingValue(L"lastDialedNumber"));
    PostMessageW(window, WM_COMMAND, CMD_DIAL, 0);
    EXPECT_TRUE(PumpMessagesUntil([&] { return CallsLog().size() > 17; }, 5000));
    EXPECT_EQ("+12015550123p42\t\n*#06#\t\n", CallsLog());
    EXPECT_EQ(0u, CloseAndWait(window));
}

// The refusal that the phone's shell shows when no program places calls.
static HWND FindRefusal()
{
    HWND box = WaitForMessageBox(L"Phone");
    EXPECT_EQ(L"No program on this computer places calls. To call through a service, choose one in Zembrik Settings.",
              MessageBoxText(box));
    return box;
}

static void SetTelHandler(const std::wstring &command)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, L"tel\\shell\\open\\command", 0, NULL, 0, KEY_SET_VALUE,
                                             NULL, &key, NULL));
    RegSetValueExW(key, NULL, 0, REG_SZ, (const BYTE *)command.c_str(), (DWORD)(command.size() + 1) * sizeof(WCHAR));
    RegCloseKey(key);
}

// With the hand-off on and no other program for tel: links, a call is
// refused with one message, as the phone's shell refuses it, and nothing is
// recorded; a link that comes meanwhile is shown once the message closes.
TEST_F(ProgramTest, AHandOffNoProgramTakesIsRefusedWithOneMessage)
{
    SetEmulationDWORD(L"CallHandoff", 1);
    running.hProcess = Start(L"5551234");
    HWND box = FindRefusal();
    ASSERT_TRUE(box != NULL);
    EXPECT_EQ(16u, RunProgram(exe, L"tel:555-0100"));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND window = NULL;
    EXPECT_TRUE(PumpMessagesUntil(
        [&] { return (window = FindWindowW(ZEMBRIK_CLASS_NAME, NULL)) != NULL && IsWindowVisible(window); }, 20000))
        << "the held link keeps the dialer on screen";
    EXPECT_EQ(0u, CloseAndWait(window));

    // A dialer that opens tel: links itself would get its own call back.
    SetTelHandler(L"\"" + exe + L"\" \"%1\"");
    HANDLE dialer = Start(L"5551234");
    box = FindRefusal();
    ASSERT_TRUE(box != NULL);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(16u, WaitForExit(dialer));

    EXPECT_EQ("", CallsLog());
    bool present = true;
    GetSettingValue(L"lastDialedNumber", &present);
    EXPECT_FALSE(present);
}

// The settings program, driven with real X input beside a running dialer.
class SettingsProgramTest : public ProgramTest
{
  protected:
    HWND settingsWindow = NULL, form = NULL;
    HANDLE settingsProcess = NULL;

    void TearDown() override
    {
        if (settingsProcess) {
            TerminateProcess(settingsProcess, 1);
            CloseHandle(settingsProcess);
        }
        DeleteFileW((folder + L"ZembrikSettings.exe").c_str());
        ProgramTest::TearDown();
    }
    void OpenSettings()
    {
        std::wstring settingsExe = folder + L"ZembrikSettings.exe";
        ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"ZembrikSettings.exe").c_str(), settingsExe.c_str(), FALSE));
        settingsProcess = StartProgram(settingsExe, L"");
        ASSERT_TRUE(PumpMessagesUntil(
            [&] {
                settingsWindow = FindWindowW(SETTINGS_CLASS_NAME, SETTINGS_TITLE);
                return settingsWindow && IsWindowVisible(settingsWindow);
            },
            20000));
        form = FindWindowExW(settingsWindow, NULL, SETTINGS_FORM_CLASS_NAME, NULL);
        ASSERT_TRUE(form != NULL);
    }
    HWND Row(int field, int row) { return GetDlgItem(form, FORM_ROW_ID(field, row)); }
    HWND Focused()
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetWindowThreadProcessId(settingsWindow, NULL), &info);
        return info.hwndFocus;
    }
    bool SettingsEnded() { return WaitForSingleObject(settingsProcess, 10000) == WAIT_OBJECT_0; }
};

TEST_F(SettingsProgramTest, ClickToDialTypedInIsCheckedSavedAndLoadedByTheRunningDialer)
{
    SetSettingValue(L"exitOnMinimize", L"0");
    SetSettingValue(L"service1type", L"phone");
    SetSettingValue(L"service1title", L"Cell");
    SetSettingValue(L"service", L"1"); // the second service, once there is one
    HWND dialer = StartShowingWindow();
    ASSERT_TRUE(dialer != NULL);
    RECT bar;
    GetWindowRect(dialer, &bar);
    bar.bottom = bar.top + 20;
    PumpMessagesFor(500);
    std::vector<DWORD> barBefore = ScreenPixels(bar);

    OpenSettings();
    HWND type = Row(SERVICE_FIELD(2, SERVICE_TYPE_FIELD), CONTROL_ROW);
    HWND url = Row(SERVICE_FIELD(2, SERVICE_URL_FIELD), CONTROL_ROW);
    EXPECT_FALSE(IsWindowVisible(url)) << "the URL is shown only for click-to-dial";
    Click(Row(DIAL_PLAN_FIELD, CONTROL_ROW));
    Input("key --repeat 10 --delay 50 Tab");
    ASSERT_EQ(type, Focused()) << "ten tabs from the dial plan reach service 2's type";
    Input("type c");
    EXPECT_TRUE(IsWindowVisible(url));
    Input("key Tab type 'Desk phone'");
    Input("key Tab Tab Tab type http://127.0.0.1:8080/call");
    EXPECT_EQ(L"ERROR: The URL has no {number} or {international}",
              WindowText(Row(SERVICE_FIELD(2, SERVICE_URL_FIELD), NOTE_ROW)));

    Input("key Return");
    HWND box = WaitForMessageBox(SETTINGS_TITLE);
    ASSERT_TRUE(box != NULL);
    EXPECT_EQ(L"Nothing was saved. Service 2, Click-to-dial URL: ERROR: The URL has no {number} or {international}",
              MessageBoxText(box));
    Input("key Return");
    bool present = true;
    GetSettingValue(L"service2type", &present);
    EXPECT_FALSE(present) << "a refused Save writes nothing";
    EXPECT_EQ(url, Focused()) << "the refused field has the focus";

    Input("key End type ?n={number}");
    Input("key Return");
    ASSERT_TRUE(SettingsEnded());
    EXPECT_EQ(L"clicktodial", GetSettingValue(L"service2type"));
    EXPECT_EQ(L"Desk phone", GetSettingValue(L"service2title"));
    EXPECT_EQ(L"http://127.0.0.1:8080/call?n={number}", GetSettingValue(L"service2url"));
    EXPECT_EQ(L"1", GetSettingValue(L"service"));
    EXPECT_EQ(L"Cell", GetSettingValue(L"service1title")) << "what was not changed stays";
    EXPECT_TRUE(PumpMessagesUntil([&] { return ScreenPixels(bar) != barBefore; }, 1000))
        << "the dialer's status bar names the new service within a second";
    EXPECT_EQ(0u, CloseAndWait(dialer));
}

// Cancel writes nothing; the form fits and scrolls at each of the phone's
// screen sizes, every field inside the column and none over another.
TEST_F(SettingsProgramTest, CancelWritesNothingAndTheFormFitsEachScreen)
{
    SetSettingValue(L"service1type", L"clicktodial");
    SetSettingValue(L"service1url", std::wstring(600, L'u')); // longer than the dialer takes
    SetEmulationDWORD(L"InputPanelHeight", 100);
    OpenSettings();
    EXPECT_EQ(L"ERROR: The URL is too long", WindowText(Row(SERVICE_FIELD(1, SERVICE_URL_FIELD), NOTE_ROW)));
    const SIZE screens[] = {{240, 320}, {320, 240}, {480, 640}};
    for (const SIZE &screen : screens) {
        MoveWindow(settingsWindow, 0, 0, screen.cx, screen.cy, TRUE);
        PumpMessagesFor(300);
        SendMessageW(form, WM_VSCROLL, SB_BOTTOM, 0);
        PumpMessagesFor(300);
        RECT column;
        GetClientRect(form, &column);
        MapWindowPoints(form, NULL, (POINT *)&column, 2);
        int lastBottom = column.top - 1000000;
        for (int id = FORM_CONTROL_BASE; id < FORM_ROW_ID(FIELD_COUNT, 0); id++) {
            HWND row = GetDlgItem(form, id);
            RECT box;
            if (!row || !IsWindowVisible(row) || !GetWindowRect(row, &box))
                continue;
            EXPECT_TRUE(box.left >= column.left && box.right <= column.right) << screen.cx << "x" << screen.cy;
            EXPECT_GE(box.top, lastBottom) << "row " << id << " over the one before at " << screen.cx;
            lastBottom = box.bottom;
        }
        EXPECT_LE(lastBottom, column.bottom) << "scrolled to the end, the last row shows at " << screen.cx;
        // Read back from the screen: the column's right margin is bare, as
        // far as the test session's screen shows it.
        RECT margin = {column.right - 2, column.top, column.right - 1, column.bottom};
        if (margin.right > GetSystemMetrics(SM_CXSCREEN))
            continue;
        margin.bottom = std::min<LONG>(margin.bottom, GetSystemMetrics(SM_CYSCREEN));
        for (DWORD pixel : ScreenPixels(margin))
            ASSERT_EQ(GetSysColor(COLOR_BTNFACE), RGB(pixel >> 16, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    MoveWindow(settingsWindow, 0, 0, 240, 320, TRUE);
    SendMessageW(form, WM_VSCROLL, SB_TOP, 0);
    PumpMessagesFor(300);
    // Typing brings the input panel up, and the field rises above it.
    HWND own = Row(OWN_NUMBER_FIELD, CONTROL_ROW);
    Click(own);
    RECT box;
    GetWindowRect(own, &box);
    EXPECT_LE(box.bottom, 320 - 100);
    Input("type Changed");
    EXPECT_EQ(L"This is not a phone number", WindowText(Row(OWN_NUMBER_FIELD, NOTE_ROW)));
    EXPECT_EQ(511, SendMessageW(Row(SERVICE_FIELD(1, SERVICE_URL_FIELD), CONTROL_ROW), EM_GETLIMITTEXT, 0, 0));
    Click(GetDlgItem(settingsWindow, IDCANCEL));
    ASSERT_TRUE(SettingsEnded());
    bool present = true;
    GetSettingValue(L"dialplan", &present);
    EXPECT_FALSE(present) << "neither what was typed nor a default is written";
}

// The companion contacts program beside the dialer, as installed: each in a
// folder of its own, the dialer's files in the dialer's.
class PellomarTest : public ProgramTest
{
  protected:
    std::wstring dialerFolder, pellomarExe;
    HANDLE pellomar = NULL;
    HWND window = NULL, list = NULL;

    void SetUp() override
    {
        ProgramTest::SetUp();
        dialerFolder = folder + L"Zembrik\\";
        CreateDirectoryW(dialerFolder.c_str(), NULL);
        CreateDirectoryW((folder + L"Pellomar").c_str(), NULL);
        exe = dialerFolder + L"zembrik.exe";
        pellomarExe = folder + L"Pellomar\\Pellomar.exe";
        ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"zembrik.exe").c_str(), exe.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"Pellomar.exe").c_str(), pellomarExe.c_str(), FALSE));
        std::string cards;
        for (const char *card : {"FN:Jan Novak\r\nTEL:+1 555 0100", "FN:Bob \"Bobby\" Smith\r\nTEL:(555) 123-4567",
                                 "FN:Zo\xC3\xAB \xC3\x85str\xC3\xB6m\r\nTEL:555 777"})
            cards += std::string("BEGIN:VCARD\r\nVERSION:3.0\r\n") + card + "\r\nEND:VCARD\r\n";
        WriteFileBytes(dialerFolder + L"contacts.vcf", cards);
    }
    void TearDown() override
    {
        ClosePellomar();
        for (const wchar_t *file : {L"Zembrik\\calls.log", L"Zembrik\\contacts.vcf", L"Zembrik\\zembrik.exe",
                                    L"Pellomar\\Pellomar.exe"})
            DeleteFileW((folder + file).c_str());
        RemoveDirectoryW(dialerFolder.c_str());
        RemoveDirectoryW((folder + L"Pellomar").c_str());
        ProgramTest::TearDown();
    }
    std::string CallsLog() { return CallsLogWithoutTimes(dialerFolder + L"calls.log"); }
    void OpenPage(const wchar_t *option)
    {
        pellomar = StartProgram(pellomarExe, option);
        ASSERT_TRUE(PumpMessagesUntil(
            [&] { return (window = FindWindowW(L"Pellomar", NULL)) != NULL && IsWindowVisible(window); }, 20000));
        list = FindWindowExW(window, NULL, L"LISTBOX", NULL);
        PumpMessagesFor(300);
    }
    void ClosePellomar()
    {
        if (!pellomar)
            return;
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pellomar, 10000) != WAIT_OBJECT_0)
            TerminateProcess(pellomar, 1);
        CloseHandle(pellomar);
        pellomar = NULL;
    }
    std::vector<std::wstring> Rows()
    {
        std::vector<std::wstring> rows;
        for (LRESULT i = 0, count = SendMessageW(list, LB_GETCOUNT, 0, 0); i < count; i++) {
            WCHAR row[512] = L"";
            SendMessageW(list, LB_GETTEXT, i, (LPARAM)row);
            rows.push_back(row);
        }
        return rows;
    }
    std::string RowAt(int row)
    {
        RECT box;
        GetWindowRect(list, &box);
        int height = (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
        box.top += row * height;
        box.bottom = box.top + height;
        return PointerAt(box);
    }
};

TEST_F(PellomarTest, RecentsListsTheCallsNewestFirstWithTimesAndFollowsNewOnes)
{
    // 10 MB of a log that went wrong before it: only its end is read.
    WriteFileBytes(dialerFolder + L"calls.log", std::string(9 << 20, '\xFF') + "\n" + std::string(1 << 20, '7') +
                                                    "\tone line of 1 MB\n5559999\tOlder log\n\x01\xFF junk\n");
    OpenPage(L"-recents");
    EXPECT_EQ(std::vector<std::wstring>{L"Older log  5559999"}, Rows());
    EXPECT_EQ(16u, RunProgram(exe, L"5550001 -name=Ann"));
    EXPECT_EQ(16u, RunProgram(exe, L"5550002"));
    ASSERT_TRUE(PumpMessagesUntil([&] { return Rows().size() == 3; }, 5000));
    std::vector<std::wstring> rows = Rows();
    EXPECT_TRUE(std::regex_match(rows[0], std::wregex(L"5550002  [0-2][0-9]:[0-5][0-9]"))) << Narrow(rows[0]);
    EXPECT_TRUE(std::regex_match(rows[1], std::wregex(L"Ann  5550001  [0-2][0-9]:[0-5][0-9]"))) << Narrow(rows[1]);
    EXPECT_EQ(L"Older log  5559999", rows[2]);
}

// Each way of calling a listed number hands exactly that number and its
// name to the dialer, which calls at once; the companion stays open.
TEST_F(PellomarTest, ADoubleClickEnterOrCallCallsTheContactsNumber)
{
    OpenPage(L"-contacts");
    ASSERT_EQ(3u, Rows().size());
    HWND call = FindWindowExW(window, NULL, L"BUTTON", L"Call");
    const struct {
        std::string input;
        std::string logged;
    } ways[] = {
        {RowAt(1) + " click --repeat 2 --delay 80 1", "5551234567\tBob Bobby Smith\n"},
        {RowAt(0) + " click 1 key Return", "+15550100\tJan Novak\n"},
        {RowAt(2) + " click 1 " + PointerAt(call) + " click 1", "555777\tZo\xC3\xAB \xC3\x85str\xC3\xB6m\n"},
    };
    std::string expected;
    for (const auto &way : ways) {
        Input(way.input);
        expected += way.logged;
        EXPECT_TRUE(PumpMessagesUntil([&] { return CallsLog() == expected; }, 15000)) << CallsLog();
        EXPECT_TRUE(IsWindowVisible(window));
    }
}

TEST_F(PellomarTest, AFavoriteMarkedInContactsIsListedAfterARestart)
{
    OpenPage(L"-favorites");
    EXPECT_TRUE(Rows().empty());
    ClosePellomar();
    OpenPage(L"-contacts");
    Input(RowAt(2) + " click 1");
    Click(FindWindowExW(window, NULL, L"BUTTON", L"\u2606 Favorite"));
    ClosePellomar();
    EXPECT_NE(std::string::npos, ReadFileBytes(dialerFolder + L"contacts.vcf").find("X-PELLOMAR-FAVORITE:1\r\n"));
    OpenPage(L"-favorites");
    EXPECT_EQ(std::vector<std::wstring>{L"Zo\u00EB \u00C5str\u00F6m  555 777"}, Rows());
}

TEST_F(PellomarTest, SearchFindsNamesByTheirKeypadDigitsAndWithoutAccents)
{
    OpenPage(L"-search");
    const struct {
        const char *typed;
        std::vector<std::wstring> rows;
    } searches[] = {
        {"526", {L"Jan Novak  +1 555 0100"}},
        {"zoe", {L"Zo\u00EB \u00C5str\u00F6m  555 777"}},
        {"123-45", {L"Bob \"Bobby\" Smith  (555) 123-4567"}},
    };
    for (const auto &search : searches) {
        Input(std::string("key --repeat 8 BackSpace type ") + search.typed);
        EXPECT_EQ(search.rows, Rows()) << search.typed;
    }
}
