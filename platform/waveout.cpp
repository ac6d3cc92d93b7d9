// The device's wave output for its MIDI tone stream. The tones of each
// buffer are rendered as PCM, a short block at a time while they sound, and
// played through the desktop's own wave output (winmm, reached by name so
// that it does not clash with these definitions). With "SilentWaveOut" = 1
// no desktop output is used at all, yet buffers still take their time and go
// through every header state.
//
// Everything a device needs lives in a fixed slot, and one audio thread,
// started with the first open, serves every slot; the program's headers are
// queued through their own lpNext fields, as winmm does. So opening, writing,
// resetting and closing allocate nothing and start no thread.
//
// Opening the desktop's output takes about 100 ms with a real sound server,
// which would make every key's tone late by that much. A closed device's
// output is therefore kept open, reset, for KEEP_DESKTOP_MS ("KeepWaveOutMs"
// sets another span, 0 none), and the next open takes it: only the first
// key after a pause pays for the open.
#define _WINMM_ // these are the definitions, not imports
#include <windows.h>
#include <mmsystem.h>

#include <math.h>
#include <stddef.h>
#include <string.h>

#include <algorithm>
#include <mutex>
#include <numbers>

#include "platform/emulation.h"
#include "platform/include/waveout_emulation.h"

#define RATE WAVEOUT_EMULATION_SAMPLE_RATE
#define BLOCK_SAMPLES WAVEOUT_EMULATION_BLOCK_SAMPLES
#define BLOCKS WAVEOUT_EMULATION_BLOCKS
#define MAX_DEVICES WAVEOUT_EMULATION_MAX_DEVICES
#define MAX_GENERATORS WAVEOUT_EMULATION_MAX_GENERATORS
#define KEEP_DESKTOP_MS 10000

namespace
{

struct DesktopWaveOut {
    decltype(&waveOutOpen) open;
    decltype(&waveOutClose) close;
    decltype(&waveOutPrepareHeader) prepare;
    decltype(&waveOutUnprepareHeader) unprepare;
    decltype(&waveOutWrite) write;
    decltype(&waveOutReset) reset;
};

template <typename Function> bool Resolve(HMODULE module, const char *name, Function *function)
{
    *function = reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    return *function != nullptr;
}

const DesktopWaveOut *Desktop()
{
    static DesktopWaveOut functions;
    static bool loaded = [] {
        HMODULE winmm = LoadLibraryW(L"winmm.dll");
        return winmm && Resolve(winmm, "waveOutOpen", &functions.open) &&
               Resolve(winmm, "waveOutClose", &functions.close) &&
               Resolve(winmm, "waveOutPrepareHeader", &functions.prepare) &&
               Resolve(winmm, "waveOutUnprepareHeader", &functions.unprepare) &&
               Resolve(winmm, "waveOutWrite", &functions.write) && Resolve(winmm, "waveOutReset", &functions.reset);
    }();
    return loaded ? &functions : nullptr;
}

LONGLONG Now()
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

LONGLONG CountsPerSecond()
{
    static LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return frequency;
}

// ---- Rendering one buffer of events, a stretch of samples at a time ----

struct Generator {
    DWORD frequency;
    double amplitude;
    double phase; // in cycles
};

struct Renderer {
    const BYTE *events;
    DWORD eventBytes;
    DWORD nextEvent; // byte offset of the first event not yet applied
    ULONGLONG ticks; // the time of the last event applied
    ULONGLONG position; // samples rendered so far
    ULONGLONG nextEventAt; // sample of the next event, or the end
    ULONGLONG end; // the buffer's length in samples
    DWORD usecPerQuarterNote, ticksPerQuarterNote, sampleRate;
    WORD volume;
    int generatorCount;
    Generator generators[MAX_GENERATORS];
};

ULONGLONG SamplesAtTick(ULONGLONG ticks, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote, DWORD sampleRate)
{
    return (ULONGLONG)floor((double)ticks * usecPerQuarterNote / ticksPerQuarterNote * sampleRate / 1e6 + 0.5);
}

WAVEFORMAT_MIDI_MESSAGE EventAt(const Renderer &renderer, DWORD offset)
{
    WAVEFORMAT_MIDI_MESSAGE message;
    memcpy(&message, renderer.events + offset, sizeof(message));
    return message;
}

bool HasEventAt(const Renderer &renderer, DWORD offset)
{
    return offset + sizeof(WAVEFORMAT_MIDI_MESSAGE) <= renderer.eventBytes;
}

void Apply(Renderer &renderer, DWORD message)
{
    DWORD kind = message >> 24;
    DWORD frequency = LOWORD(message);
    Generator *generators = renderer.generators;
    Generator *found = std::find_if(generators, generators + renderer.generatorCount,
                                    [&](const Generator &each) { return each.frequency == frequency; });
    bool exists = found != generators + renderer.generatorCount;
    if (kind == MIDI_MESSAGE_FREQGENOFF && exists) {
        std::copy(found + 1, generators + renderer.generatorCount, found);
        renderer.generatorCount--;
    } else if (kind == MIDI_MESSAGE_FREQGENON) {
        if (!exists) {
            if (renderer.generatorCount == MAX_GENERATORS)
                return;
            *found = Generator{frequency, 0, 0};
            renderer.generatorCount++;
        }
        DWORD level = std::min<DWORD>((message >> 16) & 0xFF, 0x7F);
        // Each generator gets at most half of full scale so that two, as a
        // key tone has, never clip.
        bool audible = frequency > 0 && 2 * frequency < renderer.sampleRate;
        found->amplitude = audible ? level / 127.0 * renderer.volume / 65535.0 * (32767 / 2.0) : 0;
    }
}

// Applies every event due at the current sample and finds the next one.
void ApplyDueEvents(Renderer &renderer)
{
    renderer.nextEventAt = renderer.end;
    while (HasEventAt(renderer, renderer.nextEvent)) {
        WAVEFORMAT_MIDI_MESSAGE message = EventAt(renderer, renderer.nextEvent);
        ULONGLONG ticks = renderer.ticks + message.dwDeltaTicks;
        ULONGLONG at =
            SamplesAtTick(ticks, renderer.usecPerQuarterNote, renderer.ticksPerQuarterNote, renderer.sampleRate);
        if (at > renderer.position) {
            renderer.nextEventAt = at;
            return;
        }
        renderer.ticks = ticks;
        Apply(renderer, message.dwMidiMsg);
        renderer.nextEvent += sizeof(WAVEFORMAT_MIDI_MESSAGE);
    }
}

void BeginBuffer(Renderer &renderer, const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote,
                 DWORD ticksPerQuarterNote, WORD volume, DWORD sampleRate)
{
    renderer.events = events;
    renderer.eventBytes = events ? eventBytes : 0;
    renderer.nextEvent = 0;
    renderer.ticks = 0;
    renderer.position = 0;
    renderer.usecPerQuarterNote = usecPerQuarterNote;
    renderer.ticksPerQuarterNote = ticksPerQuarterNote;
    renderer.sampleRate = sampleRate;
    renderer.volume = volume;
    renderer.generatorCount = 0;
    ULONGLONG ticks = 0;
    for (DWORD offset = 0; HasEventAt(renderer, offset); offset += sizeof(WAVEFORMAT_MIDI_MESSAGE))
        ticks += EventAt(renderer, offset).dwDeltaTicks;
    renderer.end = SamplesAtTick(ticks, usecPerQuarterNote, ticksPerQuarterNote, sampleRate);
    ApplyDueEvents(renderer);
}

short NextSample(Renderer &renderer)
{
    double sum = 0;
    for (int i = 0; i < renderer.generatorCount; i++) {
        Generator &generator = renderer.generators[i];
        sum += generator.amplitude * sin(2 * std::numbers::pi * generator.phase);
        generator.phase += (double)generator.frequency / renderer.sampleRate;
        generator.phase -= floor(generator.phase);
    }
    return (short)lrint(std::clamp(sum, -32767.0, 32767.0));
}

// Renders up to capacity samples of the buffer; fewer only at its end.
size_t RenderInto(Renderer &renderer, short *out, size_t capacity)
{
    size_t count = 0;
    while (count < capacity && renderer.position < renderer.end) {
        if (renderer.position >= renderer.nextEventAt)
            ApplyDueEvents(renderer);
        ULONGLONG until = std::min(renderer.nextEventAt, renderer.position + (capacity - count));
        while (renderer.position < until) {
            out[count++] = NextSample(renderer);
            renderer.position++;
        }
    }
    return count;
}

bool BufferDone(const Renderer &renderer)
{
    return renderer.position >= renderer.end;
}

// ---- Devices ----

struct Block {
    WAVEHDR desktop;
    short samples[BLOCK_SAMPLES];
    // The program's headers whose last sample lies in this block.
    int finishing;
    // When a silent device's clock has played it.
    LONGLONG playedAt;
};

struct Device {
    bool reserved; // the slot is taken, perhaps still being opened
    bool open; // the program may use the handle
    HWAVEOUT handle;
    HWAVEOUT desktop;
    WORD volume;
    DWORD usecPerQuarterNote, ticksPerQuarterNote;
    // The program's headers from their write until they are done, linked
    // through lpNext; next is the first one not yet begun.
    WAVEHDR *head, *tail, *next;
    bool rendering; // the renderer holds a begun buffer
    Renderer renderer;
    Block blocks[BLOCKS];
    int firstBlock, blocksInFlight;
    LONGLONG silentClock; // when the silent device's last block ends
    bool producing;
    // A free slot's desktop output, kept open since then for the next open.
    LONGLONG keptSince;
    DWORD keepMs;
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
    record.firstSampleAt = Now();
    record.lastSampleAt = 0;
}

void ToneStopped(Device &device)
{
    if (!device.producing)
        return;
    device.producing = false;
    record.lastSampleAt = Now();
}

void Capture(const short *samples, size_t count)
{
    size_t room = captureCapacity - captureCount;
    size_t copied = std::min(room, count);
    memcpy(captureBuffer + captureCount, samples, copied * sizeof(short));
    captureCount += (DWORD)copied;
}

bool BlockPlayed(const Device &device, const Block &block, LONGLONG now)
{
    if (device.desktop)
        return (*(volatile const DWORD *)&block.desktop.dwFlags & WHDR_DONE) != 0;
    return now >= block.playedAt;
}

void CollectPlayedBlocks(Device &device, LONGLONG now)
{
    while (device.blocksInFlight > 0) {
        Block &block = device.blocks[device.firstBlock];
        if (!BlockPlayed(device, block, now))
            return;
        FinishHeaders(device, block.finishing);
        block.finishing = 0;
        device.firstBlock = (device.firstBlock + 1) % BLOCKS;
        device.blocksInFlight--;
    }
}

// Fills one block from the queued buffers; returns the samples rendered.
size_t FillBlock(Device &device, Block &block)
{
    size_t count = 0;
    block.finishing = 0;
    while (count < BLOCK_SAMPLES) {
        if (!device.rendering) {
            if (!device.next)
                break;
            WAVEHDR *header = device.next;
            device.next = header->lpNext;
            BeginBuffer(device.renderer, (const BYTE *)header->lpData, header->dwBufferLength,
                        device.usecPerQuarterNote, device.ticksPerQuarterNote, device.volume, RATE);
            device.rendering = true;
        }
        count += RenderInto(device.renderer, block.samples + count, BLOCK_SAMPLES - count);
        if (BufferDone(device.renderer)) {
            device.rendering = false;
            block.finishing++;
        }
    }
    return count;
}

// Hands a filled block to the output.
void PlayBlock(Device &device, Block &block, size_t count, LONGLONG now)
{
    // Whole blocks only, the rest silent: a prepared header keeps its length.
    memset(block.samples + count, 0, (BLOCK_SAMPLES - count) * sizeof(short));
    if (device.desktop) {
        block.desktop.dwFlags &= ~WHDR_DONE;
        // A block the desktop refuses counts as played at once.
        if (Desktop()->write(device.desktop, &block.desktop, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
            block.desktop.dwFlags |= WHDR_DONE;
    } else {
        device.silentClock = std::max(device.silentClock, now) + BLOCK_SAMPLES * CountsPerSecond() / RATE;
        block.playedAt = device.silentClock;
    }
}

// Keeps the device's blocks queued while it has something to play; returns
// how long the thread may sleep before this device needs it again.
DWORD Serve(Device &device, LONGLONG now)
{
    CollectPlayedBlocks(device, now);
    while (device.blocksInFlight < BLOCKS && (device.rendering || device.next)) {
        Block &block = device.blocks[(device.firstBlock + device.blocksInFlight) % BLOCKS];
        size_t count = FillBlock(device, block);
        if (count == 0 && device.blocksInFlight == 0) {
            // Empty buffers with nothing playing: done at once.
            FinishHeaders(device, block.finishing);
            continue;
        }
        if (count == 0) {
            // Empty buffers end with the block before them.
            int last = (device.firstBlock + device.blocksInFlight - 1) % BLOCKS;
            device.blocks[last].finishing += block.finishing;
            continue;
        }
        if (captureBuffer)
            Capture(block.samples, count);
        record.samplesRendered += count;
        PlayBlock(device, block, count, now);
        if (!device.producing) {
            device.producing = true;
            ToneStarted();
        }
        device.blocksInFlight++;
    }
    if (!device.head && device.blocksInFlight == 0)
        ToneStopped(device);
    if (device.desktop || device.blocksInFlight == 0)
        return INFINITE; // the desktop's done event, or a write, wakes the thread
    LONGLONG left = device.blocks[device.firstBlock].playedAt - now;
    return (DWORD)std::max<LONGLONG>(1, (left * 1000 + CountsPerSecond() - 1) / CountsPerSecond());
}

void UnprepareDesktopBlocks(Device &device, int count)
{
    for (int i = 0; i < count; i++)
        Desktop()->unprepare(device.desktop, &device.blocks[i].desktop, sizeof(WAVEHDR));
}

void CloseDesktop(Device &device)
{
    Desktop()->reset(device.desktop);
    UnprepareDesktopBlocks(device, BLOCKS);
    // Nothing is queued on it, so its close has no reason to fail; the slot
    // is free again either way.
    Desktop()->close(device.desktop);
    device.desktop = NULL;
}

// Closes a free slot's kept output once it has waited long enough; returns
// how long the thread may sleep before it has to look again.
DWORD ExpireKeptDesktop(Device &device, LONGLONG now)
{
    LONGLONG keep = (LONGLONG)device.keepMs * CountsPerSecond() / 1000;
    LONGLONG left = device.keptSince + keep - now;
    if (left > 0)
        return (DWORD)std::max<LONGLONG>(1, (left * 1000 + CountsPerSecond() - 1) / CountsPerSecond());
    CloseDesktop(device);
    return INFINITE;
}

// The audio thread: asleep whenever no device has anything to play, but
// for one wake-up that closes a kept desktop output.
DWORD WINAPI AudioThread(void *)
{
    for (;;) {
        DWORD wait = INFINITE;
        {
            std::lock_guard<std::mutex> hold(engineLock);
            LONGLONG now = Now();
            for (Device &device : devices) {
                if (device.open)
                    wait = std::min(wait, Serve(device, now));
                else if (!device.reserved && device.desktop)
                    wait = std::min(wait, ExpireKeptDesktop(device, now));
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
            if (device.reserved || (wantKept && !device.desktop))
                continue;
            HWAVEOUT kept = device.desktop;
            WAVEHDR keptHeaders[BLOCKS];
            for (int i = 0; i < BLOCKS; i++)
                keptHeaders[i] = device.blocks[i].desktop;
            device = Device{};
            device.desktop = kept;
            if (kept) {
                for (int i = 0; i < BLOCKS; i++)
                    device.blocks[i].desktop = keptHeaders[i];
            }
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


// The desktop's PCM output for a device, its blocks prepared once.
MMRESULT OpenDesktop(Device &device)
{
    const DesktopWaveOut *desktop = Desktop();
    if (!desktop)
        return MMSYSERR_NODRIVER;
    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = 1;
    pcm.nSamplesPerSec = RATE;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = sizeof(short);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    MMRESULT result = desktop->open(&device.desktop, WAVE_MAPPER, &pcm, (DWORD_PTR)wake, 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        device.desktop = NULL;
        return result;
    }
    for (int i = 0; i < BLOCKS; i++) {
        WAVEHDR &header = device.blocks[i].desktop;
        header.lpData = (LPSTR)device.blocks[i].samples;
        header.dwBufferLength = sizeof(device.blocks[i].samples);
        result = desktop->prepare(device.desktop, &header, sizeof(WAVEHDR));
        if (result != MMSYSERR_NOERROR) {
            UnprepareDesktopBlocks(device, i);
            desktop->close(device.desktop);
            device.desktop = NULL;
            return result;
        }
    }
    return MMSYSERR_NOERROR;
}

} // namespace

void SynthesizeMidiStream(const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote,
                          WORD volume, DWORD sampleRate, std::vector<short> *samples)
{
    samples->clear();
    if (!events || !ticksPerQuarterNote || !sampleRate)
        return;
    Renderer renderer;
    BeginBuffer(renderer, events, eventBytes, usecPerQuarterNote, ticksPerQuarterNote, volume, sampleRate);
    samples->resize((size_t)renderer.end);
    samples->resize(RenderInto(renderer, samples->data(), samples->size()));
}

DWORD WaveOutEmulationOpenDevices(void)
{
    std::lock_guard<std::mutex> hold(engineLock);
    return (DWORD)std::count_if(devices, devices + MAX_DEVICES, [](const Device &device) { return device.open; });
}

BOOL WaveOutEmulationIsSilent(HWAVEOUT handle)
{
    std::lock_guard<std::mutex> hold(engineLock);
    Device *device = Find(handle);
    return device && !device->desktop;
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
    bool silent = EmulationGetDWORD(L"SilentWaveOut", 0) == 1;
    if (silent && device->desktop)
        CloseDesktop(*device); // kept from before the device was silenced
    if (!silent && !device->desktop) {
        MMRESULT result = OpenDesktop(*device);
        if (result != MMSYSERR_NOERROR) {
            ReleaseSlot(*device);
            return result;
        }
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
    if (device->desktop) {
        // Held under the lock, so the audio thread writes nothing behind it.
        MMRESULT result = Desktop()->reset(device->desktop);
        if (result != MMSYSERR_NOERROR)
            return result;
    }
    for (Block &block : device->blocks)
        block.finishing = 0;
    device->firstBlock = 0;
    device->blocksInFlight = 0;
    device->rendering = false;
    device->next = NULL;
    device->silentClock = 0;
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
    DWORD keepMs = device->desktop ? EmulationGetDWORD(L"KeepWaveOutMs", KEEP_DESKTOP_MS) : 0;
    {
        std::lock_guard<std::mutex> hold(engineLock);
        if (device->desktop && keepMs == 0) {
            CloseDesktop(*device);
        } else if (device->desktop) {
            Desktop()->reset(device->desktop);
            device->keptSince = Now();
            device->keepMs = keepMs;
        }
        device->open = false;
        device->reserved = false;
    }
    // The audio thread now times the kept output.
    SetEvent(wake);
    return MMSYSERR_NOERROR;
}
