// The desktop's stand-in for the device's tone generators: the wave output
// states it goes through without a sound card, and the tones it plays.
#include <gtest/gtest.h>
#include <waveout_emulation.h>

#include <stdio.h>
#include <stdlib.h>

#include <atomic>
#include <vector>

#include "support/import_hooks.h"
#include "support/tone_support.h"

#define EMULATION_KEY L"Software\\DeviceEmulation"
#define RATE WAVEOUT_EMULATION_SAMPLE_RATE
static_assert(RATE == TONE_TEST_RATE, "the shared tones are rendered at the wave output's rate");
#define EXPECT_MM(expected, call) EXPECT_EQ((MMRESULT)(expected), (call))
#define ASSERT_MM(expected, call) ASSERT_EQ((MMRESULT)(expected), (call))

namespace
{

WAVEFORMAT_MIDI MidiFormat(DWORD usecPerTick)
{
    WAVEFORMAT_MIDI format = {};
    format.wfx.wFormatTag = WAVE_FORMAT_MIDI;
    format.wfx.nChannels = 1;
    format.wfx.nBlockAlign = sizeof(WAVEFORMAT_MIDI_MESSAGE);
    format.wfx.cbSize = sizeof(WAVEFORMAT_MIDI) - sizeof(WAVEFORMATEX);
    format.USecPerQuarterNote = usecPerTick;
    format.TicksPerQuarterNote = 1;
    return format;
}

class WaveOut : public ::testing::Test
{
  protected:
    void TearDown() override { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut"); }
};

} // namespace

TEST_F(WaveOut, SilentDeviceGoesThroughEveryStateAndRefusesOthers)
{
    DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut", REG_DWORD, &one, 4));
    DWORD openBefore = WaveOutEmulationOpenDevices();
    WAVEFORMAT_MIDI format = MidiFormat(1000000);
    HWAVEOUT device = NULL;
    ASSERT_MM(MMSYSERR_NOERROR, waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0));
    EXPECT_TRUE(WaveOutEmulationIsSilent(device));
    EXPECT_EQ(openBefore + 1, WaveOutEmulationOpenDevices());
    EXPECT_MM(MMSYSERR_NOERROR, waveOutSetVolume(device, 0x00002000));

    WAVEHDR header = {};
    header.lpData = (LPSTR)keyFive;
    header.dwBufferLength = sizeof(keyFive);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutPrepareHeader(device, &header, sizeof(header)));
    EXPECT_EQ((DWORD)WHDR_PREPARED, header.dwFlags);
    std::vector<short> played(RATE / 5);
    WaveOutEmulationCapture(played.data(), (DWORD)played.size());
    EXPECT_MM(MMSYSERR_NOERROR, waveOutWrite(device, &header, sizeof(header)));
    EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_INQUEUE), header.dwFlags);
    for (int waited = 0; waited < 5000 && WaveOutEmulationCaptured() < played.size(); waited += 10)
        Sleep(10);
    WaveOutEmulationCapture(NULL, 0);
    std::vector<short> synthesized = Synthesize(keyFive, 3, 0x2000);
    synthesized.resize(played.size());
    EXPECT_EQ(synthesized, played) << "the tone at the set volume, as it is synthesised";

    EXPECT_MM(WAVERR_STILLPLAYING, waveOutWrite(device, &header, sizeof(header)));
    EXPECT_MM(WAVERR_STILLPLAYING, waveOutUnprepareHeader(device, &header, sizeof(header)));
    EXPECT_MM(WAVERR_STILLPLAYING, waveOutClose(device));
    EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_INQUEUE), header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutReset(device));
    EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_DONE), header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutUnprepareHeader(device, &header, sizeof(header)));
    EXPECT_EQ((DWORD)WHDR_DONE, header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));
    EXPECT_EQ(openBefore, WaveOutEmulationOpenDevices());
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutWrite(device, &header, sizeof(header)));

    // Opened again at a tenth of a second per tick, the buffer runs out and
    // is done by itself.
    format = MidiFormat(100000);
    ASSERT_MM(MMSYSERR_NOERROR, waveOutOpen(&device, WAVE_MAPPER, (WAVEFORMATEX *)&format, 0, 0, 0));
    header.dwFlags = 0;
    EXPECT_MM(MMSYSERR_NOERROR, waveOutPrepareHeader(device, &header, sizeof(header)));
    EXPECT_MM(MMSYSERR_NOERROR, waveOutWrite(device, &header, sizeof(header)));
    for (int waited = 0; waited < 10000 && !(header.dwFlags & WHDR_DONE); waited += 10)
        Sleep(10);
    EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_DONE), header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutUnprepareHeader(device, &header, sizeof(header)));
    EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));

    WAVEFORMATEX pcm = {WAVE_FORMAT_PCM, 1, RATE, RATE * 2, 2, 16, 0};
    EXPECT_MM(WAVERR_BADFORMAT, waveOutOpen(&device, 0, &pcm, 0, 0, 0));
    EXPECT_MM(MMSYSERR_BADDEVICEID, waveOutOpen(&device, 3, (WAVEFORMATEX *)&format, 0, 0, 0));
    HWAVEOUT bogus = (HWAVEOUT)(ULONG_PTR)0x1234;
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutSetVolume(bogus, 0x2000));
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutPrepareHeader(bogus, &header, sizeof(header)));
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutReset(bogus));
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutClose(bogus));
    EXPECT_EQ(openBefore, WaveOutEmulationOpenDevices());

    // Without the setting only a desktop output opens; CI has none.
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut");
    if (waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0) == MMSYSERR_NOERROR) {
        EXPECT_FALSE(WaveOutEmulationIsSilent(device));
        EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));
    }
    EXPECT_EQ(openBefore, WaveOutEmulationOpenDevices());
}

namespace
{

LONGLONG Counter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

WAVEOUT_EMULATION_RECORD Record()
{
    WAVEOUT_EMULATION_RECORD record;
    WaveOutEmulationGetRecord(&record);
    return record;
}

bool WaitForTones(DWORD count)
{
    for (int waited = 0; waited < 5000; waited++) {
        if (Record().tonesStarted >= count)
            return true;
        Sleep(1);
    }
    return false;
}

} // namespace

TEST_F(WaveOut, RecordTellsWhenEachToneStartsAndStopsAndOneThreadServesThemAll)
{
    DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut", REG_DWORD, &one, 4));
    WAVEFORMAT_MIDI format = MidiFormat(1000000);
    for (int press = 0; press < 5; press++) {
        WAVEOUT_EMULATION_RECORD before = Record();
        LONGLONG down = Counter();
        HWAVEOUT device = NULL;
        ASSERT_MM(MMSYSERR_NOERROR, waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0));
        WAVEHDR header = {};
        header.lpData = (LPSTR)keyFive;
        header.dwBufferLength = sizeof(keyFive);
        waveOutPrepareHeader(device, &header, sizeof(header));
        ASSERT_MM(MMSYSERR_NOERROR, waveOutWrite(device, &header, sizeof(header)));
        ASSERT_TRUE(WaitForTones(before.tonesStarted + 1));
        Sleep(30);
        WAVEOUT_EMULATION_RECORD sounding = Record();
        EXPECT_EQ(before.tonesStarted + 1, sounding.tonesStarted) << "one tone per press";
        EXPECT_GE(sounding.firstSampleAt, down);
        EXPECT_EQ(0, sounding.lastSampleAt) << "still sounding";
        EXPECT_GT(sounding.samplesRendered, before.samplesRendered);

        LONGLONG up = Counter();
        EXPECT_MM(MMSYSERR_NOERROR, waveOutReset(device));
        LONGLONG afterReset = Counter();
        WAVEOUT_EMULATION_RECORD stopped = Record();
        EXPECT_GE(stopped.lastSampleAt, up);
        EXPECT_LE(stopped.lastSampleAt, afterReset) << "the reset itself ends the samples";
        EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_DONE), header.dwFlags);
        Sleep(30);
        EXPECT_EQ(stopped.samplesRendered, Record().samplesRendered) << "nothing rendered after the reset";
        waveOutUnprepareHeader(device, &header, sizeof(header));
        EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));
        EXPECT_EQ(1u, Record().threadsStarted) << "one audio thread for every press";
    }
}

TEST_F(WaveOut, BuffersPlayInTheirOrderAndARunOutToneEndsByItself)
{
    DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut", REG_DWORD, &one, 4));
    // A tenth of a second per tick: 0.1 s of 770 Hz, an empty buffer, then
    // 0.2 s of 1336 Hz; played back to back, they make one tone.
    WAVEFORMAT_MIDI format = MidiFormat(100000);
    const ToneEvent first[] = {{0, 0x207F0302}, {1, 0}};
    const ToneEvent second[] = {{0, 0x207F0538}, {2, 0}};
    HWAVEOUT device = NULL;
    ASSERT_MM(MMSYSERR_NOERROR, waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0));
    WAVEHDR headers[3] = {};
    headers[0].lpData = (LPSTR)first;
    headers[0].dwBufferLength = sizeof(first);
    headers[2].lpData = (LPSTR)second;
    headers[2].dwBufferLength = sizeof(second);
    std::vector<short> played(RATE * 3 / 10 + 1000);
    WaveOutEmulationCapture(played.data(), (DWORD)played.size());
    DWORD tonesBefore = Record().tonesStarted;
    for (WAVEHDR &header : headers) {
        waveOutPrepareHeader(device, &header, sizeof(header));
        ASSERT_MM(MMSYSERR_NOERROR, waveOutWrite(device, &header, sizeof(header)));
    }
    // Every header done must find those written before it done too. Read
    // from the last to the first: one read later may be done by then, but
    // never one read earlier while a later one is not.
    bool allDone = false;
    int doneTooEarly = -1;
    for (int waited = 0; waited < 5000 && !allDone; waited++) {
        DWORD flags[3];
        for (int i = 2; i >= 0; i--)
            flags[i] = *(volatile DWORD *)&headers[i].dwFlags;
        for (int i = 1; i < 3 && doneTooEarly < 0; i++) {
            if ((flags[i] & WHDR_DONE) && !(flags[i - 1] & WHDR_DONE))
                doneTooEarly = i;
        }
        allDone = flags[0] & flags[1] & flags[2] & WHDR_DONE;
        if (!allDone)
            Sleep(1);
    }
    EXPECT_EQ(-1, doneTooEarly) << "a header was done before the one written before it";
    for (WAVEHDR &header : headers)
        EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_DONE), header.dwFlags);
    WAVEOUT_EMULATION_RECORD record = Record();
    EXPECT_EQ(tonesBefore + 1, record.tonesStarted);
    EXPECT_NE(0, record.lastSampleAt) << "the tone ran out";
    EXPECT_EQ(3u * RATE / 10, WaveOutEmulationCaptured());
    WaveOutEmulationCapture(NULL, 0);
    played.resize(3 * RATE / 10);
    std::vector<short> low = Synthesize(first, 2, 0xFFFF, 100000), high = Synthesize(second, 2, 0xFFFF, 100000);
    low.insert(low.end(), high.begin(), high.end());
    EXPECT_EQ(low, played);
    for (WAVEHDR &header : headers)
        waveOutUnprepareHeader(device, &header, sizeof(header));
    EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));
}

namespace
{

// The engine's start, made to fail on the opening thread: its event, or
// its thread once the event is made.
decltype(&CreateEventW) realCreateEventW;
decltype(&CreateThread) realCreateThread;
decltype(&CloseHandle) realCloseHandle;
std::atomic<DWORD> openingThread{0};
std::atomic<bool> failEvent{false}, failThread{false};
std::atomic<long> eventsAsked{0}, threadsAsked{0};
std::atomic<HANDLE> lastEvent{NULL};
std::atomic<bool> lastEventClosed{false};

HANDLE WINAPI FailingCreateEventW(LPSECURITY_ATTRIBUTES security, BOOL manual, BOOL initial, LPCWSTR name)
{
    if (GetCurrentThreadId() != openingThread)
        return realCreateEventW(security, manual, initial, name);
    eventsAsked++;
    if (failEvent) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    HANDLE event = realCreateEventW(security, manual, initial, name);
    lastEventClosed = false;
    lastEvent = event;
    return event;
}

HANDLE WINAPI FailingCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                  LPVOID parameter, DWORD flags, LPDWORD id)
{
    if (GetCurrentThreadId() != openingThread)
        return realCreateThread(security, stack, start, parameter, flags, id);
    threadsAsked++;
    if (failThread) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    return realCreateThread(security, stack, start, parameter, flags, id);
}

BOOL WINAPI RecordingCloseHandle(HANDLE handle)
{
    if (handle && handle == lastEvent)
        lastEventClosed = true;
    return realCloseHandle(handle);
}

template <typename Function> bool Hook(const char *name, Function *real, Function replacement)
{
    *real = (Function)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
    return *real && HookImport(GetModuleHandleW(NULL), "kernel32.dll", name, (void *)replacement);
}

void Unhook(void *real, void *replacement)
{
    RestoreImport(GetModuleHandleW(NULL), replacement, real);
}

// Runs in a process of its own, where no device has been opened: two opens
// whose engine start fails, then one that must start it, open and play.
// Says on stderr what went wrong; returns 0 if nothing did.
int OpensAfterFailedStarts(void)
{
    DWORD one = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut", REG_DWORD, &one, 4);
    if (Record().audioThreadId != 0) {
        fprintf(stderr, "the engine ran before the test\n");
        return 2;
    }
    if (!Hook("CreateEventW", &realCreateEventW, FailingCreateEventW) ||
        !Hook("CreateThread", &realCreateThread, FailingCreateThread) ||
        !Hook("CloseHandle", &realCloseHandle, RecordingCloseHandle)) {
        fprintf(stderr, "cannot hook the engine's start\n");
        return 2;
    }
    int failures = 0;
    auto check = [&](bool holds, const char *what) {
        if (!holds) {
            fprintf(stderr, "FAILED: %s\n", what);
            failures++;
        }
    };
    openingThread = GetCurrentThreadId();
    WAVEFORMAT_MIDI format = MidiFormat(1000000);
    HWAVEOUT device = NULL;

    failEvent = true;
    check(waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0) != MMSYSERR_NOERROR,
          "an open whose event cannot be made fails");
    check(eventsAsked == 1, "the first open asks for the event");
    failEvent = false;
    failThread = true;
    check(waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0) != MMSYSERR_NOERROR,
          "an open whose thread cannot be started fails");
    check(eventsAsked == 2 && threadsAsked == 1, "the next open starts the engine anew");
    check(lastEventClosed, "the event of the failed start is closed");
    failThread = false;

    MMRESULT opened = waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0);
    openingThread = 0;
    Unhook((void *)realCreateEventW, (void *)FailingCreateEventW);
    Unhook((void *)realCreateThread, (void *)FailingCreateThread);
    Unhook((void *)realCloseHandle, (void *)RecordingCloseHandle);
    check(opened == MMSYSERR_NOERROR, "the open after the failed starts succeeds");
    if (opened == MMSYSERR_NOERROR) {
        WAVEHDR header = {};
        header.lpData = (LPSTR)keyFive;
        header.dwBufferLength = sizeof(keyFive);
        std::vector<short> played(RATE / 10);
        WaveOutEmulationCapture(played.data(), (DWORD)played.size());
        waveOutPrepareHeader(device, &header, sizeof(header));
        check(waveOutWrite(device, &header, sizeof(header)) == MMSYSERR_NOERROR, "the write is taken");
        for (int waited = 0; waited < 5000 && WaveOutEmulationCaptured() < played.size(); waited += 10)
            Sleep(10);
        WaveOutEmulationCapture(NULL, 0);
        std::vector<short> synthesized = Synthesize(keyFive, 3, 0xFFFF);
        synthesized.resize(played.size());
        check(synthesized == played, "the key's tone plays");
        waveOutReset(device);
        waveOutUnprepareHeader(device, &header, sizeof(header));
        check(waveOutClose(device) == MMSYSERR_NOERROR, "the device closes");
    }
    check(Record().threadsStarted == 1, "one audio thread started");
    fprintf(stderr, "%d of the checks failed\n", failures);
    return failures ? 1 : 0;
}

} // namespace

// A format query answers at once and opens no device; the output it asks
// to be readied stays unopened while the device is silent, and the one
// audio thread serves the query as it serves opens.
TEST_F(WaveOut, AFormatQueryOpensNoDeviceAndReadiesNoSilentOutput)
{
    DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut", REG_DWORD, &one, 4));
    WAVEFORMAT_MIDI format = MidiFormat(1000000);
    WAVEOUT_EMULATION_RECORD before = Record();
    DWORD openBefore = WaveOutEmulationOpenDevices();
    EXPECT_MM(MMSYSERR_NOERROR, waveOutOpen(NULL, 0, (WAVEFORMATEX *)&format, 0, 0, WAVE_FORMAT_QUERY));
    WAVEFORMAT_MIDI pcm = format;
    pcm.wfx.wFormatTag = WAVE_FORMAT_PCM;
    EXPECT_MM(WAVERR_BADFORMAT, waveOutOpen(NULL, 0, (WAVEFORMATEX *)&pcm, 0, 0, WAVE_FORMAT_QUERY));
    Sleep(200); // the audio thread's turn
    EXPECT_EQ(openBefore, WaveOutEmulationOpenDevices());
    EXPECT_EQ(before.outputsPrepared, Record().outputsPrepared);
    EXPECT_EQ(1u, Record().threadsStarted);
    HWAVEOUT device = NULL;
    ASSERT_MM(MMSYSERR_NOERROR, waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0));
    EXPECT_TRUE(WaveOutEmulationIsSilent(device));
    EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));
}

TEST_F(WaveOut, AFailedStartLeavesNothingBehindAndTheNextOpenPlays)
{
    EXPECT_EXIT(exit(OpensAfterFailedStarts()), ::testing::ExitedWithCode(0), "checks failed");
}
