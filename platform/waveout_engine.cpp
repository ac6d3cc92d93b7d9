// The audio thread of the wave output. The tones of each buffer are
// rendered as PCM (platform/tone_synthesizer.h), a short block at a time
// while they sound, and played through the desktop's own wave output or,
// with "SilentWaveOut" = 1, through a clock that takes the blocks' time
// (platform/desktop_audio.h).
//
// Everything a device needs lives in a fixed slot, and one audio thread,
// started with the first open or format query, serves every slot. So
// opening, writing, resetting and closing allocate nothing and start no
// thread.
#include "platform/waveout_engine.h"

#include <string.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>

#include "platform/include/waveout_emulation.h"

#define RATE WAVEOUT_EMULATION_SAMPLE_RATE
#define BLOCK_SAMPLES WAVEOUT_EMULATION_BLOCK_SAMPLES
#define BLOCKS WAVEOUT_EMULATION_BLOCKS
#define MAX_DEVICES WAVEOUT_EMULATION_MAX_DEVICES

std::mutex engineLock;
HANDLE engineWake = NULL;

static WaveOutDevice devices[MAX_DEVICES];
static bool prepareAsked = false; // a format query asked for the output to be readied
static bool preparing = false; // the audio thread is opening that output now
static std::condition_variable prepared;
static WAVEOUT_EMULATION_RECORD record;
static short *captureBuffer = nullptr;
static DWORD captureCapacity = 0, captureCount = 0;

// How long an open waits for the output being readied before it opens one
// of its own: more than the sound driver takes to load, less than a hang.
#define PREPARED_WAIT_MS 1000

static WaveOutDevice *ReserveFreeSlot()
{
    for (bool wantKept : {true, false}) {
        for (WaveOutDevice &device : devices) {
            if (device.reserved || (wantKept && !device.audio.desktop))
                continue;
            DesktopAudio kept = device.audio;
            device = WaveOutDevice{};
            KeepDesktopAudio(&device.audio, &kept);
            device.reserved = true;
            return &device;
        }
    }
    return nullptr;
}

// A free slot, the one with a kept desktop output first; that output and
// its prepared blocks stay with the slot. An output being readied is
// waited for: a second one opened beside it would load the same driver at
// the same time and take longer than waiting.
WaveOutDevice *ReserveSlot()
{
    std::unique_lock<std::mutex> hold(engineLock);
    prepared.wait_for(hold, std::chrono::milliseconds(PREPARED_WAIT_MS), [] { return !preparing; });
    return ReserveFreeSlot();
}

void ReleaseSlot(WaveOutDevice &device)
{
    std::lock_guard<std::mutex> hold(engineLock);
    device.open = false;
    device.reserved = false;
}

WaveOutDevice *FindDevice(HWAVEOUT handle)
{
    for (WaveOutDevice &device : devices) {
        if (device.open && device.handle == handle)
            return &device;
    }
    return nullptr;
}

static void MarkDone(WAVEHDR *header)
{
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
}

// Gives the program back its oldest headers, in their order.
void FinishHeaders(WaveOutDevice &device, int count)
{
    for (; count > 0 && device.head; count--) {
        WAVEHDR *header = device.head;
        device.head = header->lpNext;
        if (!device.head)
            device.tail = NULL;
        header->lpNext = NULL;
        MarkDone(header);
    }
}

static void ToneStarted()
{
    record.tonesStarted++;
    record.firstSampleAt = AudioClockNow();
    record.lastSampleAt = 0;
}

void ToneStopped(WaveOutDevice &device)
{
    if (!device.producing)
        return;
    device.producing = false;
    record.lastSampleAt = AudioClockNow();
}

static void Capture(const short *samples, size_t count)
{
    size_t room = captureCapacity - captureCount;
    size_t copied = std::min(room, count);
    memcpy(captureBuffer + captureCount, samples, copied * sizeof(short));
    captureCount += (DWORD)copied;
}

// Fills one block from the queued buffers; returns the samples rendered.
static size_t FillBlock(WaveOutDevice &device, AudioBlock &block)
{
    size_t count = 0;
    block.finishing = 0;
    while (count < BLOCK_SAMPLES) {
        if (!device.rendering) {
            if (!device.next)
                break;
            WAVEHDR *header = device.next;
            device.next = header->lpNext;
            StartToneBuffer(&device.renderer, (const BYTE *)header->lpData, header->dwBufferLength,
                            device.usecPerQuarterNote, device.ticksPerQuarterNote, device.volume, RATE);
            device.rendering = true;
        }
        count += RenderToneBuffer(&device.renderer, block.samples + count, BLOCK_SAMPLES - count);
        if (ToneBufferDone(&device.renderer)) {
            device.rendering = false;
            block.finishing++;
        }
    }
    return count;
}

// Keeps the device's blocks queued while it has something to play; returns
// how long the thread may sleep before this device needs it again.
static DWORD Serve(WaveOutDevice &device, LONGLONG now)
{
    DesktopAudio &audio = device.audio;
    FinishHeaders(device, CollectPlayedAudioBlocks(&audio, now));
    while (audio.blocksInFlight < BLOCKS && (device.rendering || device.next)) {
        AudioBlock &block = audio.blocks[(audio.firstBlock + audio.blocksInFlight) % BLOCKS];
        size_t count = FillBlock(device, block);
        if (count == 0 && audio.blocksInFlight == 0) {
            // Empty buffers with nothing playing: done at once.
            FinishHeaders(device, block.finishing);
            continue;
        }
        if (count == 0) {
            // Empty buffers end with the block before them.
            int last = (audio.firstBlock + audio.blocksInFlight - 1) % BLOCKS;
            audio.blocks[last].finishing += block.finishing;
            continue;
        }
        if (captureBuffer)
            Capture(block.samples, count);
        record.samplesRendered += count;
        PlayAudioBlock(&audio, &block, count, now);
        if (!device.producing) {
            device.producing = true;
            ToneStarted();
        }
        audio.blocksInFlight++;
    }
    if (!device.head && audio.blocksInFlight == 0)
        ToneStopped(device);
    return DesktopAudioWait(&audio, now);
}

// Whether a slot has, or is about to have, a desktop output that it keeps
// when it closes; under the lock.
static bool OutputAtHand()
{
    for (const WaveOutDevice &device : devices) {
        if (device.reserved || device.open || device.audio.desktop)
            return true;
    }
    return false;
}

// Opens the desktop's output for a free slot and keeps it there, as a
// closed device's is kept, unless a slot has one or is opening one.
// Loading the sound driver takes tens of milliseconds the first time; done
// here, the first key's open finds the output waiting instead.
static void PrepareOutput()
{
    WaveOutDevice *device;
    {
        std::lock_guard<std::mutex> hold(engineLock);
        device = OutputAtHand() ? nullptr : ReserveFreeSlot();
        if (!device)
            return;
        preparing = true;
    }
    bool opened = ChooseDesktopAudio(&device->audio, engineWake) == MMSYSERR_NOERROR && device->audio.desktop;
    DWORD keepMs = DesktopAudioKeepMs(&device->audio);
    std::lock_guard<std::mutex> hold(engineLock);
    ReleaseDesktopAudio(&device->audio, keepMs);
    device->reserved = false;
    preparing = false;
    prepared.notify_all();
    if (opened)
        record.outputsPrepared++;
}

// The audio thread: asleep whenever no device has anything to play, but
// for one wake-up that closes a kept desktop output, and one that readies
// the output when asked.
static DWORD WINAPI AudioThread(void *)
{
    for (;;) {
        DWORD wait = INFINITE;
        bool prepare;
        {
            std::lock_guard<std::mutex> hold(engineLock);
            prepare = prepareAsked;
            prepareAsked = false;
            LONGLONG now = AudioClockNow();
            for (WaveOutDevice &device : devices) {
                if (device.open)
                    wait = std::min(wait, Serve(device, now));
                else if (!device.reserved && device.audio.desktop)
                    wait = std::min(wait, ExpireKeptDesktopAudio(&device.audio, now));
            }
        }
        if (prepare)
            PrepareOutput(); // then serve again before sleeping
        else
            WaitForSingleObject(engineWake, wait);
    }
}

// Starts the audio thread unless it runs. A start that fails leaves
// nothing behind and is tried again at the next open, so one bad moment
// does not silence the keys for the rest of the process.
bool StartEngine()
{
    std::lock_guard<std::mutex> hold(engineLock);
    if (engineWake)
        return true;
    engineWake = CreateEventW(NULL, FALSE, FALSE, NULL);
    if (!engineWake)
        return false;
    DWORD id = 0;
    HANDLE thread = CreateThread(NULL, 0, AudioThread, NULL, 0, &id);
    if (!thread) {
        CloseHandle(engineWake);
        engineWake = NULL;
        return false;
    }
    CloseHandle(thread);
    record.threadsStarted++;
    record.audioThreadId = id;
    return true;
}

void AskToPrepareOutput(void)
{
    if (!StartEngine())
        return;
    std::lock_guard<std::mutex> hold(engineLock);
    prepareAsked = true;
    SetEvent(engineWake);
}

DWORD WaveOutEmulationOpenDevices(void)
{
    std::lock_guard<std::mutex> hold(engineLock);
    return (DWORD)std::count_if(devices, devices + MAX_DEVICES, [](const WaveOutDevice &device) { return device.open; });
}

BOOL WaveOutEmulationIsSilent(HWAVEOUT handle)
{
    std::lock_guard<std::mutex> hold(engineLock);
    WaveOutDevice *device = FindDevice(handle);
    return device && !device->audio.desktop;
}

void WaveOutEmulationGetRecord(WAVEOUT_EMULATION_RECORD *out)
{
    std::lock_guard<std::mutex> hold(engineLock);
    *out = record;
}

void WaveOutEmulationCapture(short *buffer, DWORD capacity)
{
    std::lock_guard<std::mutex> hold(engineLock);
    captureBuffer = capacity ? buffer : nullptr;
    captureCapacity = capacity;
    captureCount = 0;
}

DWORD WaveOutEmulationCaptured(void)
{
    std::lock_guard<std::mutex> hold(engineLock);
    return captureCount;
}
