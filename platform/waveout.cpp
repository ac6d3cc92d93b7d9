// The device's wave output for its MIDI tone stream. The tones of each
// buffer are rendered as PCM (platform/tone_synthesizer.h), a short block at
// a time while they sound, and played through the desktop's own wave output
// or, with "SilentWaveOut" = 1, through a clock that takes the blocks' time
// (platform/desktop_audio.h); either way buffers go through every header
// state.
//
// Everything a device needs lives in a fixed slot, and one audio thread,
// started with the first open, serves every slot; the program's headers are
// queued through their own lpNext fields, as winmm does. So opening, writing,
// resetting and closing allocate nothing and start no thread.
#define _WINMM_ // these are the definitions, not imports
#include <windows.h>
#include <mmsystem.h>

#include <stddef.h>
#include <string.h>

#include <algorithm>
#include <mutex>

#include "platform/desktop_audio.h"
#include "platform/include/waveout_emulation.h"
#include "platform/tone_synthesizer.h"

#define RATE WAVEOUT_EMULATION_SAMPLE_RATE
#define BLOCK_SAMPLES WAVEOUT_EMULATION_BLOCK_SAMPLES
#define BLOCKS WAVEOUT_EMULATION_BLOCKS
#define MAX_DEVICES WAVEOUT_EMULATION_MAX_DEVICES

// The synthesiser reads the SDK's events and messages as they are laid out.
static_assert(sizeof(WAVEFORMAT_MIDI_MESSAGE) == TONE_EVENT_BYTES &&
                  offsetof(WAVEFORMAT_MIDI_MESSAGE, dwMidiMsg) == TONE_EVENT_MESSAGE_OFFSET,
              "a MIDI event is its ticks, then its message");
static_assert(MIDI_MESSAGE_FREQGENON == TONE_MESSAGE_ON && MIDI_MESSAGE_FREQGENOFF == TONE_MESSAGE_OFF,
              "the synthesiser's messages are the SDK's");

namespace
{

struct Device {
    bool reserved; // the slot is taken, perhaps still being opened
    bool open; // the program may use the handle
    HWAVEOUT handle;
    WORD volume;
    DWORD usecPerQuarterNote, ticksPerQuarterNote;
    // The program's headers from their write until they are done, linked
    // through lpNext; next is the first one not yet begun.
    WAVEHDR *head, *tail, *next;
    bool rendering; // the renderer holds a begun buffer
    ToneRenderer renderer;
    DesktopAudio audio;
    bool producing;
};

// Guards every slot and the record. The audio thread holds it while it
// renders and hands blocks to winmm; the program's calls hold it too, so a
// reset can never be overtaken by a block written behind it.
std::mutex engineLock;
Device devices[MAX_DEVICES];
ULONG_PTR nextHandle = 0x5E00;
HANDLE wake = NULL; // the audio thread's event, set only while that thread runs
WAVEOUT_EMULATION_RECORD record;
short *captureBuffer = nullptr;
DWORD captureCapacity = 0, captureCount = 0;

Device *Find(HWAVEOUT handle)
{
    for (Device &device : devices) {
        if (device.open && device.handle == handle)
            return &device;
    }
    return nullptr;
}

void MarkDone(WAVEHDR *header)
{
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
}

// Gives the program back its oldest headers, in their order.
void FinishHeaders(Device &device, int count)
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

void ToneStarted()
{
    record.tonesStarted++;
    record.firstSampleAt = AudioClockNow();
    record.lastSampleAt = 0;
}

void ToneStopped(Device &device)
{
    if (!device.producing)
        return;
    device.producing = false;
    record.lastSampleAt = AudioClockNow();
}

void Capture(const short *samples, size_t count)
{
    size_t room = captureCapacity - captureCount;
    size_t copied = std::min(room, count);
    memcpy(captureBuffer + captureCount, samples, copied * sizeof(short));
    captureCount += (DWORD)copied;
}

// Fills one block from the queued buffers; returns the samples rendered.
size_t FillBlock(Device &device, AudioBlock &block)
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
DWORD Serve(Device &device, LONGLONG now)
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

// The audio thread: asleep whenever no device has anything to play, but
// for one wake-up that closes a kept desktop output.
DWORD WINAPI AudioThread(void *)
{
    for (;;) {
        DWORD wait = INFINITE;
        {
            std::lock_guard<std::mutex> hold(engineLock);
            LONGLONG now = AudioClockNow();
            for (Device &device : devices) {
                if (device.open)
                    wait = std::min(wait, Serve(device, now));
                else if (!device.reserved && device.audio.desktop)
                    wait = std::min(wait, ExpireKeptDesktopAudio(&device.audio, now));
            }
        }
        WaitForSingleObject(wake, wait);
    }
}

// Starts the audio thread unless it runs. A start that fails leaves
// nothing behind and is tried again at the next open, so one bad moment
// does not silence the keys for the rest of the process.
bool StartEngine()
{
    std::lock_guard<std::mutex> hold(engineLock);
    if (wake)
        return true;
    wake = CreateEventW(NULL, FALSE, FALSE, NULL);
    if (!wake)
        return false;
    DWORD id = 0;
    HANDLE thread = CreateThread(NULL, 0, AudioThread, NULL, 0, &id);
    if (!thread) {
        CloseHandle(wake);
        wake = NULL;
        return false;
    }
    CloseHandle(thread);
    record.threadsStarted++;
    record.audioThreadId = id;
    return true;
}

bool ReadMidiFormat(const WAVEFORMATEX *format, DWORD *usecPerQuarterNote, DWORD *ticksPerQuarterNote)
{
    if (format->wFormatTag != WAVE_FORMAT_MIDI || format->nChannels != 1 ||
        format->cbSize < sizeof(WAVEFORMAT_MIDI) - sizeof(WAVEFORMATEX))
        return false;
    const BYTE *data = (const BYTE *)format;
    memcpy(usecPerQuarterNote, data + offsetof(WAVEFORMAT_MIDI, USecPerQuarterNote), sizeof(DWORD));
    memcpy(ticksPerQuarterNote, data + offsetof(WAVEFORMAT_MIDI, TicksPerQuarterNote), sizeof(DWORD));
    return *usecPerQuarterNote != 0 && *ticksPerQuarterNote != 0;
}

// A free slot, the one with a kept desktop output first; that output and
// its prepared blocks stay with the slot.
Device *ReserveSlot()
{
    std::lock_guard<std::mutex> hold(engineLock);
    for (bool wantKept : {true, false}) {
        for (Device &device : devices) {
            if (device.reserved || (wantKept && !device.audio.desktop))
                continue;
            DesktopAudio kept = device.audio;
            device = Device{};
            KeepDesktopAudio(&device.audio, &kept);
            device.reserved = true;
            return &device;
        }
    }
    return nullptr;
}

void ReleaseSlot(Device &device)
{
    std::lock_guard<std::mutex> hold(engineLock);
    device.open = false;
    device.reserved = false;
}

} // namespace

DWORD WaveOutEmulationOpenDevices(void)
{
    std::lock_guard<std::mutex> hold(engineLock);
    return (DWORD)std::count_if(devices, devices + MAX_DEVICES, [](const Device &device) { return device.open; });
}

BOOL WaveOutEmulationIsSilent(HWAVEOUT handle)
{
    std::lock_guard<std::mutex> hold(engineLock);
    Device *device = Find(handle);
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

// Lets programs built against the import declarations find these too.
extern "C" {
decltype(&waveOutOpen) __imp_waveOutOpen = waveOutOpen;
decltype(&waveOutClose) __imp_waveOutClose = waveOutClose;
decltype(&waveOutSetVolume) __imp_waveOutSetVolume = waveOutSetVolume;
decltype(&waveOutPrepareHeader) __imp_waveOutPrepareHeader = waveOutPrepareHeader;
decltype(&waveOutUnprepareHeader) __imp_waveOutUnprepareHeader = waveOutUnprepareHeader;
decltype(&waveOutWrite) __imp_waveOutWrite = waveOutWrite;
decltype(&waveOutReset) __imp_waveOutReset = waveOutReset;
}

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                            DWORD_PTR dwInstance, DWORD fdwOpen)
{
    (void)dwCallback;
    (void)dwInstance;
    if (!pwfx)
        return MMSYSERR_INVALPARAM;
    if (uDeviceID != 0 && uDeviceID != WAVE_MAPPER)
        return MMSYSERR_BADDEVICEID;
    DWORD usecPerQuarterNote, ticksPerQuarterNote;
    if (!ReadMidiFormat(pwfx, &usecPerQuarterNote, &ticksPerQuarterNote))
        return WAVERR_BADFORMAT;
    if ((fdwOpen & CALLBACK_TYPEMASK) != CALLBACK_NULL)
        return MMSYSERR_NOTSUPPORTED;
    if (fdwOpen & WAVE_FORMAT_QUERY)
        return MMSYSERR_NOERROR;
    if (!phwo)
        return MMSYSERR_INVALPARAM;
    if (!StartEngine())
        return MMSYSERR_NOMEM;

    Device *device = ReserveSlot();
    if (!device)
        return MMSYSERR_ALLOCATED;
    // Reserved, the slot is the caller's alone: the audio thread leaves it.
    MMRESULT result = ChooseDesktopAudio(&device->audio, wake);
    if (result != MMSYSERR_NOERROR) {
        ReleaseSlot(*device);
        return result;
    }
    std::lock_guard<std::mutex> hold(engineLock);
    device->usecPerQuarterNote = usecPerQuarterNote;
    device->ticksPerQuarterNote = ticksPerQuarterNote;
    device->volume = 0xFFFF;
    device->handle = (HWAVEOUT)nextHandle;
    nextHandle += 4;
    device->open = true;
    *phwo = device->handle;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume)
{
    std::lock_guard<std::mutex> hold(engineLock);
    Device *device = Find(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    // Mono: the left channel's word. Takes effect from the next buffer.
    device->volume = LOWORD(dwVolume);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    std::lock_guard<std::mutex> hold(engineLock);
    if (!Find(hwo))
        return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    if (!(pwh->dwFlags & WHDR_PREPARED))
        pwh->dwFlags = (pwh->dwFlags | WHDR_PREPARED) & ~(WHDR_DONE | WHDR_INQUEUE);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    std::lock_guard<std::mutex> hold(engineLock);
    if (!Find(hwo))
        return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    if (pwh->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    pwh->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    {
        std::lock_guard<std::mutex> hold(engineLock);
        Device *device = Find(hwo);
        if (!device)
            return MMSYSERR_INVALHANDLE;
        if (!pwh || cbwh < sizeof(WAVEHDR))
            return MMSYSERR_INVALPARAM;
        if (!(pwh->dwFlags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if (pwh->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        if (!pwh->lpData && pwh->dwBufferLength)
            return MMSYSERR_INVALPARAM;
        pwh->lpNext = NULL;
        pwh->dwFlags = (pwh->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        if (device->tail)
            device->tail->lpNext = pwh;
        else
            device->head = pwh;
        device->tail = pwh;
        if (!device->next)
            device->next = pwh;
    }
    SetEvent(wake);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT hwo)
{
    std::lock_guard<std::mutex> hold(engineLock);
    Device *device = Find(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    MMRESULT result = ResetDesktopAudio(&device->audio);
    if (result != MMSYSERR_NOERROR)
        return result;
    device->rendering = false;
    device->next = NULL;
    while (device->head)
        FinishHeaders(*device, 1);
    ToneStopped(*device);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT hwo)
{
    Device *device;
    {
        std::lock_guard<std::mutex> hold(engineLock);
        device = Find(hwo);
        if (!device)
            return MMSYSERR_INVALHANDLE;
        if (device->head)
            return WAVERR_STILLPLAYING;
        // From here on neither the program nor the audio thread uses it.
        device->open = false;
        ToneStopped(*device);
    }
    DWORD keepMs = DesktopAudioKeepMs(&device->audio);
    {
        std::lock_guard<std::mutex> hold(engineLock);
        ReleaseDesktopAudio(&device->audio, keepMs);
        device->open = false;
        device->reserved = false;
    }
    // The audio thread now times the kept output.
    SetEvent(wake);
    return MMSYSERR_NOERROR;
}
