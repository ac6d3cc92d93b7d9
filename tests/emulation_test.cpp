// The device services our program relies on, as the desktop stand-ins
// provide them.
#include <aygshell.h>
#include <gtest/gtest.h>
#include <psapi.h>
#include <regext.h>
#include <tapi.h>

#include <stdio.h>
#include <stdlib.h>

#include <atomic>
#include <string>
#include <vector>
#include <wchar.h>

#include "platform/image_bounds.h"
#include "platform/shell_state.h"
#include "support/import_hooks.h"
#include "support/test_support.h"
#include "tools/png_writer.h"

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

namespace
{

template <size_t N> std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

std::string Be32(uint32_t value)
{
    return {(char)(value >> 24), (char)(value >> 16), (char)(value >> 8), (char)value};
}

std::string Le16(uint32_t value)
{
    return {(char)value, (char)(value >> 8)};
}

// The length is not in the CRC: a chunk may declare any.
std::string Chunk(const std::string &type, const std::string &data, uint32_t length)
{
    std::vector<uint8_t> chunk = PngChunk(type.c_str(), {data.begin(), data.end()});
    return Be32(length) + std::string(chunk.begin() + 4, chunk.end());
}

std::string Chunk(const std::string &type, const std::string &data)
{
    return Chunk(type, data, (uint32_t)data.size());
}

// A zlib stream of count zero bytes, as an encoder makes of blank rows: a
// literal, then copies of 258 bytes from one back, in fixed Huffman codes
// (bit-reversed: the stream is read from each byte's low bit).
std::string ZeroStream(size_t count)
{
    std::string out = Bytes("\x78\x01");
    uint64_t bits = 0;
    int held = 0;
    auto put = [&](uint32_t value, int length) {
        for (bits |= (uint64_t)value << held, held += length; held >= 8; held -= 8, bits >>= 8)
            out += (char)bits;
    };
    put(3, 3);
    for (size_t i = 0; i < 1 + (count - 1) % 258; i++)
        put(0x0C, 8);
    for (size_t i = 0; i < (count - 1) / 258; i++)
        put(0xA3, 13);
    put(0, 7 + (8 - (held + 7) % 8) % 8);
    // Adler-32 of zeros: 1, and the count in the high half.
    return out + Be32((uint32_t)(count % 65521) << 16 | 1);
}

// 8-bit grey, blank rows unless data is given.
std::string Png(uint32_t width, uint32_t height, const std::string &data = "", const std::string &end = Chunk("IEND", ""))
{
    std::string header = Be32(width) + Be32(height) + Bytes("\x08\0\0\0\0");
    std::string pixels = data.empty() ? ZeroStream(((size_t)width + 1) * height) : data;
    return Bytes("\x89PNG\r\n\x1a\n") + Chunk("IHDR", header) + Chunk("IDAT", pixels) + end;
}

// 24-bit, blank; a negative height is top-down.
std::string Bmp(int32_t width, int32_t height)
{
    size_t size = (width * 3 + 3) / 4 * 4 * (size_t)abs(height);
    return "BM" + Le16(54 + size) + Le16((54 + size) >> 16) + std::string(4, 0) + Bytes("\x36\0\0\0\x28\0\0\0") +
           Le16(width) + Le16(width >> 16) + Le16(height) + Le16(height >> 16) + Bytes("\x01\0\x18\0") +
           std::string(24 + size, 0);
}

// A 1 x 1 image on a screen of the given size.
std::string Gif(uint32_t width, uint32_t height)
{
    return "GIF89a" + Le16(width) + Le16(height) + Bytes("\x80\0\0\0\0\0\xff\xff\xff") +
           Bytes("\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;");
}

// Grey, baseline: every block's DC and AC are the one 1-bit code, 0.
std::string Jpeg(uint32_t width, uint32_t height, bool frameFirst = true)
{
    std::string frame = Bytes("\xff\xc0\0\x0b\x08") + Be32(height).substr(2) + Be32(width).substr(2) +
                        Bytes("\x01\x01\x11\0");
    std::string table = std::string(15, 0) + '\0';
    std::string scan = Bytes("\xff\xc4\0\x14\0\x01") + table + Bytes("\xff\xc4\0\x14\x10\x01") + table +
                       Bytes("\xff\xda\0\x08\x01\x01\0\0\x3f\0\x3f");
    std::string quantisation = Bytes("\xff\xdb\0\x43\0") + std::string(64, 1);
    return Bytes("\xff\xd8") + quantisation + (frameFirst ? frame + scan : scan + frame) + Bytes("\xff\xd9");
}

struct CraftedImage {
    const char *name;
    std::string bytes;
    ImageCheck check;
    // Of the bitmap SHLoadImageFile makes; 0 x 0: none.
    LONG width;
    LONG height;
};

} // namespace

TEST(ImageLoader, FilesAreMeasuredBeforeAnyDecoderSeesThem)
{
    std::string skin = ReadFileBytes(ExecutableFolder() + L"default.png");
    ASSERT_GT(skin.size(), 24u) << "the build puts default.png beside the tests";
    std::string tallSkin = skin.substr(0, 20) + Be32(65535) + skin.substr(24);
    std::string idat = ZeroStream(3 * 2);
    std::string noise;
    for (uint32_t seed = 1; noise.size() < 600; seed = seed * 1103515245 + 12345)
        noise += (char)(seed >> 16);
    const CraftedImage cases[] = {
        {"the skin", skin, IMAGE_ACCEPTED, 240, 120},
        {"the skin declaring 65535 rows", tallSkin, IMAGE_TOO_LARGE, 0, 0},
        {"blank 4096 x 4096", Png(4096, 4096), IMAGE_ACCEPTED, 4096, 4096},
        {"4097 wide", Png(4097, 1, idat), IMAGE_TOO_LARGE, 0, 0},
        {"20000 x 20000", Png(20000, 20000, idat), IMAGE_TOO_LARGE, 0, 0},
        {"zero wide", Png(0, 2, idat), IMAGE_EMPTY, 0, 0},
        {"a chunk of 2 GB", Png(2, 2, idat, Chunk("tEXt", "a", 0x7FFFFFF0) + Chunk("IEND", "")), IMAGE_OVERRUN, 0, 0},
        {"IEND a byte longer than the file", Png(2, 2, idat, Chunk("IEND", "", 1)), IMAGE_OVERRUN, 0, 0},
        {"cut off before IEND", Png(2, 2, idat, ""), IMAGE_CUT_OFF, 0, 0},
        {"a file over the size limit", Png(2, 2) + std::string(IMAGE_FILE_LIMIT, 0), IMAGE_ACCEPTED, 0, 0},
        {"BMP top-down", Bmp(3, -2), IMAGE_ACCEPTED, 3, 2},
        {"BMP 4097 wide", Bmp(4097, 1), IMAGE_TOO_LARGE, 0, 0},
        {"BMP cut off in its pixels", Bmp(3, 2).substr(0, 60), IMAGE_CUT_OFF, 0, 0},
        {"GIF", Gif(1, 1), IMAGE_ACCEPTED, 1, 1},
        {"GIF screen 4097 high", Gif(1, 4097), IMAGE_TOO_LARGE, 0, 0},
        {"JPEG", Jpeg(8, 8), IMAGE_ACCEPTED, 8, 8},
        {"JPEG 4097 high", Jpeg(8, 4097), IMAGE_TOO_LARGE, 0, 0},
        {"JPEG scan before its frame", Jpeg(8, 8, false), IMAGE_MALFORMED, 0, 0},
        {"noise", noise, IMAGE_UNKNOWN_FORMAT, 0, 0},
    };
    std::wstring path = ExecutableFolder() + L"crafted-image";
    for (const CraftedImage &crafted : cases) {
        SCOPED_TRACE(crafted.name);
        MeasuredImage image;
        EXPECT_EQ(crafted.check, CheckImageBounds((const unsigned char *)crafted.bytes.data(), crafted.bytes.size(),
                                                  IMAGE_SIDE_LIMIT, IMAGE_PIXEL_LIMIT, &image));
        WriteFileBytes(path, crafted.bytes);
        HBITMAP bitmap = SHLoadImageFile(path.c_str());
        BITMAP loaded = {};
        if (bitmap)
            GetObjectW(bitmap, sizeof(loaded), &loaded);
        EXPECT_EQ(crafted.width, loaded.bmWidth);
        EXPECT_EQ(crafted.height, abs(loaded.bmHeight));
        DeleteObject(bitmap);
    }
    DeleteFileW(path.c_str());
}

// Within the bounds and whole, but their data is no zlib stream: Wine's
// decoder refuses each such file. Neither those nor the good ones between
// them, each decoded into 4 MB and more, may leave anything behind
// (PrivateUsage reads 0 under Wine; PagefileUsage is the same count).
TEST(ImageLoader, CorruptImagesWithinTheBoundsDoNotGrowTheProcess)
{
    std::wstring path = ExecutableFolder() + L"corrupt-image.png";
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    for (int i = 0; i <= 60; i++) {
        // Each corrupt file different, so that each reaches the decoder.
        std::string data = Bytes("\x78\x01");
        for (uint32_t seed = i + 1; data.size() < 4096; seed = seed * 1103515245 + 12345)
            data += (char)(seed >> 16);
        WriteFileBytes(path, i % 2 ? Png(2000, 2000) : Png(2000, 2000, data));
        // The first loads also load the decoder's libraries.
        if (i == 2)
            GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
        HBITMAP bitmap = SHLoadImageFile(path.c_str());
        EXPECT_EQ(i % 2 == 1, bitmap != NULL);
        DeleteObject(bitmap);
    }
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
    DeleteFileW(path.c_str());
    EXPECT_GT(before.PagefileUsage, 0u);
    EXPECT_LT(after.PagefileUsage, before.PagefileUsage + (4 << 20));
}
