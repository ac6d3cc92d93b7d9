// The device's wave output for its MIDI tone stream. The tones of each
// buffer are rendered as PCM and played through the desktop's own wave
// output (winmm, reached by name so that it does not clash with these
// definitions). With "SilentWaveOut" = 1 no desktop output is used at all,
// yet buffers still take their time and go through every header state.
#define _WINMM_ // these are the definitions, not imports
#include <windows.h>
#include <mmsystem.h>

#include <math.h>
#include <stddef.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/emulation.h"
#include "platform/include/waveout_emulation.h"

// Longer buffers would be rendered into one allocation of the whole length.
#define MAX_BUFFER_SECONDS 600

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

// One buffer of the program's, from its write until the program sees it done.
struct Pending {
    WAVEHDR *midi = nullptr;
    std::shared_ptr<const std::vector<short>> pcm;
    WAVEHDR desktop = {};
    bool viaDesktop = false;
    bool submitted = false;
    bool finished = false;
    ULONGLONG deadline = 0;
};

struct Device {
    // Serialises the program's calls, including their calls into winmm.
    std::mutex apiLock;
    // Guards the queue and the program's header flags against the watcher;
    // never held while calling winmm, whose reset waits for its own thread.
    std::mutex stateLock;
    HWAVEOUT desktop = NULL;
    HANDLE wake = NULL;
    std::thread watcher;
    bool stopping = false;
    bool closed = false;
    WORD volume = 0xFFFF;
    DWORD usecPerQuarterNote = 0;
    DWORD ticksPerQuarterNote = 0;
    ULONGLONG silentUntil = 0;
    std::deque<std::unique_ptr<Pending>> queue;
    // Finished buffers that winmm would not release yet.
    std::vector<std::unique_ptr<Pending>> retired;
    std::shared_ptr<const std::vector<short>> lastPcm;

    ~Device()
    {
        if (watcher.joinable()) {
            {
                std::lock_guard<std::mutex> hold(stateLock);
                stopping = true;
            }
            SetEvent(wake);
            watcher.join();
        }
        if (wake)
            CloseHandle(wake);
    }
};

std::mutex devicesLock;
std::map<HWAVEOUT, std::shared_ptr<Device>> devices;
ULONG_PTR nextHandle = 0x5E00;

std::shared_ptr<Device> Find(HWAVEOUT handle)
{
    std::lock_guard<std::mutex> hold(devicesLock);
    auto found = devices.find(handle);
    return found == devices.end() ? nullptr : found->second;
}

// An open device with its API lock held. The lock is released before the
// reference, so a close that drops the last other reference stays safe.
struct HeldDevice {
    std::shared_ptr<Device> device;
    std::unique_lock<std::mutex> hold;
    Device *operator->() const { return device.get(); }
    Device &operator*() const { return *device; }
    explicit operator bool() const { return device != nullptr; }
};

// Empty, holding nothing, for an unknown or closed handle.
HeldDevice Acquire(HWAVEOUT handle)
{
    HeldDevice held;
    held.device = Find(handle);
    if (!held.device)
        return held;
    held.hold = std::unique_lock<std::mutex>(held.device->apiLock);
    if (held.device->closed) {
        held.hold.unlock();
        held.device.reset();
    }
    return held;
}

void Finish(Pending &pending)
{
    pending.midi->dwFlags = (pending.midi->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    pending.finished = true;
}

// Marks the program's buffers done in their order, as the desktop output
// or the silent device's clock finishes them.
void Watch(Device *device)
{
    for (;;) {
        DWORD wait = INFINITE;
        {
            std::lock_guard<std::mutex> hold(device->stateLock);
            if (device->stopping)
                return;
            ULONGLONG now = GetTickCount64();
            for (auto &pending : device->queue) {
                if (pending->finished)
                    continue;
                if (!pending->submitted)
                    break;
                if (pending->viaDesktop) {
                    if (!(*(volatile DWORD *)&pending->desktop.dwFlags & WHDR_DONE))
                        break;
                } else if (now < pending->deadline) {
                    wait = (DWORD)std::min<ULONGLONG>(pending->deadline - now, INFINITE - 1);
                    break;
                }
                Finish(*pending);
            }
        }
        WaitForSingleObject(device->wake, wait);
    }
}

// Releases the buffers that are done; called on the program's thread only.
void Reap(Device &device)
{
    std::vector<std::unique_ptr<Pending>> done;
    done.swap(device.retired);
    {
        std::lock_guard<std::mutex> hold(device.stateLock);
        while (!device.queue.empty() && device.queue.front()->finished) {
            done.push_back(std::move(device.queue.front()));
            device.queue.pop_front();
        }
    }
    for (auto &pending : done) {
        if (pending->viaDesktop &&
            Desktop()->unprepare(device.desktop, &pending->desktop, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
            device.retired.push_back(std::move(pending));
    }
}

bool ReadMidiFormat(const WAVEFORMATEX *format, DWORD *usecPerQuarterNote, DWORD *ticksPerQuarterNote)
{
    if (format->wFormatTag != WAVE_FORMAT_MIDI || format->nChannels != 1 ||
        format->cbSize < sizeof(WAVEFORMAT_MIDI) - sizeof(WAVEFORMATEX))
        return false;
    const BYTE *record = (const BYTE *)format;
    memcpy(usecPerQuarterNote, record + offsetof(WAVEFORMAT_MIDI, USecPerQuarterNote), sizeof(DWORD));
    memcpy(ticksPerQuarterNote, record + offsetof(WAVEFORMAT_MIDI, TicksPerQuarterNote), sizeof(DWORD));
    return *usecPerQuarterNote != 0 && *ticksPerQuarterNote != 0;
}

double SamplesAtTick(ULONGLONG ticks, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote, DWORD sampleRate)
{
    return floor((double)ticks * usecPerQuarterNote / ticksPerQuarterNote * sampleRate / 1e6 + 0.5);
}

double StreamSamples(const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote,
                     DWORD sampleRate)
{
    ULONGLONG ticks = 0;
    for (DWORD offset = 0; offset + sizeof(WAVEFORMAT_MIDI_MESSAGE) <= eventBytes;
         offset += sizeof(WAVEFORMAT_MIDI_MESSAGE)) {
        DWORD delta;
        memcpy(&delta, events + offset, sizeof(delta));
        ticks += delta;
    }
    return SamplesAtTick(ticks, usecPerQuarterNote, ticksPerQuarterNote, sampleRate);
}

struct Generator {
    DWORD frequency;
    double amplitude;
    double phase; // in cycles
};

void Render(std::vector<Generator> &generators, DWORD sampleRate, size_t until, std::vector<short> *samples)
{
    while (samples->size() < until) {
        double sum = 0;
        for (auto &generator : generators) {
            sum += generator.amplitude * sin(2 * std::numbers::pi * generator.phase);
            generator.phase += (double)generator.frequency / sampleRate;
            generator.phase -= floor(generator.phase);
        }
        samples->push_back((short)lrint(std::clamp(sum, -32767.0, 32767.0)));
    }
}

} // namespace

void SynthesizeMidiStream(const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote,
                          WORD volume, DWORD sampleRate, std::vector<short> *samples)
{
    samples->clear();
    if (!events || !ticksPerQuarterNote || !sampleRate)
        return;
    samples->reserve((size_t)StreamSamples(events, eventBytes, usecPerQuarterNote, ticksPerQuarterNote, sampleRate));
    std::vector<Generator> generators;
    ULONGLONG ticks = 0;
    for (DWORD offset = 0; offset + sizeof(WAVEFORMAT_MIDI_MESSAGE) <= eventBytes;
         offset += sizeof(WAVEFORMAT_MIDI_MESSAGE)) {
        WAVEFORMAT_MIDI_MESSAGE message;
        memcpy(&message, events + offset, sizeof(message));
        ticks += message.dwDeltaTicks;
        Render(generators, sampleRate,
               (size_t)SamplesAtTick(ticks, usecPerQuarterNote, ticksPerQuarterNote, sampleRate), samples);

        DWORD kind = message.dwMidiMsg >> 24;
        DWORD frequency = LOWORD(message.dwMidiMsg);
        auto generator = std::find_if(generators.begin(), generators.end(),
                                      [&](const Generator &each) { return each.frequency == frequency; });
        if (kind == MIDI_MESSAGE_FREQGENOFF && generator != generators.end()) {
            generators.erase(generator);
        } else if (kind == MIDI_MESSAGE_FREQGENON) {
            if (generator == generators.end())
                generator = generators.insert(generators.end(), Generator{frequency, 0, 0});
            DWORD level = std::min<DWORD>((message.dwMidiMsg >> 16) & 0xFF, 0x7F);
            // Each generator gets at most half of full scale so that two, as
            // a key tone has, never clip.
            bool audible = frequency > 0 && 2 * frequency < sampleRate;
            generator->amplitude = audible ? level / 127.0 * volume / 65535.0 * (32767 / 2.0) : 0;
        }
    }
}

DWORD WaveOutEmulationOpenDevices(void)
{
    std::lock_guard<std::mutex> hold(devicesLock);
    return (DWORD)devices.size();
}

BOOL WaveOutEmulationIsSilent(HWAVEOUT handle)
{
    auto device = Find(handle);
    return device && !device->desktop;
}

BOOL WaveOutEmulationLastBuffer(HWAVEOUT handle, std::vector<short> *samples)
{
    auto device = Find(handle);
    if (!device)
        return FALSE;
    std::lock_guard<std::mutex> hold(device->stateLock);
    if (!device->lastPcm)
        return FALSE;
    *samples = *device->lastPcm;
    return TRUE;
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

    try {
        auto device = std::make_shared<Device>();
        device->usecPerQuarterNote = usecPerQuarterNote;
        device->ticksPerQuarterNote = ticksPerQuarterNote;
        device->wake = CreateEventW(NULL, FALSE, FALSE, NULL);
        if (!device->wake)
            return MMSYSERR_NOMEM;
        if (EmulationGetDWORD(L"SilentWaveOut", 0) != 1) {
            const DesktopWaveOut *desktop = Desktop();
            if (!desktop)
                return MMSYSERR_NODRIVER;
            WAVEFORMATEX pcm = {};
            pcm.wFormatTag = WAVE_FORMAT_PCM;
            pcm.nChannels = 1;
            pcm.nSamplesPerSec = WAVEOUT_EMULATION_SAMPLE_RATE;
            pcm.wBitsPerSample = 16;
            pcm.nBlockAlign = sizeof(short);
            pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
            MMRESULT result =
                desktop->open(&device->desktop, WAVE_MAPPER, &pcm, (DWORD_PTR)device->wake, 0, CALLBACK_EVENT);
            if (result != MMSYSERR_NOERROR)
                return result;
        }
        try {
            device->watcher = std::thread(Watch, device.get());
            std::lock_guard<std::mutex> hold(devicesLock);
            HWAVEOUT handle = (HWAVEOUT)nextHandle;
            devices[handle] = device;
            nextHandle += 4;
            *phwo = handle;
            return MMSYSERR_NOERROR;
        } catch (const std::exception &) {
            // The device's destructor stops the watcher.
            if (device->desktop)
                Desktop()->close(device->desktop);
            return MMSYSERR_NOMEM;
        }
    } catch (const std::bad_alloc &) {
        return MMSYSERR_NOMEM;
    }
}

MMRESULT WINAPI waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume)
{
    HeldDevice device = Acquire(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    // Mono: the left channel's word. Takes effect from the next buffer.
    device->volume = LOWORD(dwVolume);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    HeldDevice device = Acquire(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    Reap(*device);
    std::lock_guard<std::mutex> state(device->stateLock);
    if (!(pwh->dwFlags & WHDR_PREPARED))
        pwh->dwFlags = (pwh->dwFlags | WHDR_PREPARED) & ~(WHDR_DONE | WHDR_INQUEUE);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    HeldDevice device = Acquire(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    Reap(*device);
    std::lock_guard<std::mutex> state(device->stateLock);
    if (pwh->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    pwh->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    HeldDevice device = Acquire(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    Reap(*device);
    DWORD flagsBefore;
    {
        std::lock_guard<std::mutex> state(device->stateLock);
        flagsBefore = pwh->dwFlags;
    }
    if (!(flagsBefore & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (flagsBefore & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    if (!pwh->lpData && pwh->dwBufferLength)
        return MMSYSERR_INVALPARAM;
    const BYTE *events = (const BYTE *)pwh->lpData;
    if (StreamSamples(events, pwh->dwBufferLength, device->usecPerQuarterNote, device->ticksPerQuarterNote,
                      WAVEOUT_EMULATION_SAMPLE_RATE) > (double)MAX_BUFFER_SECONDS * WAVEOUT_EMULATION_SAMPLE_RATE)
        return MMSYSERR_NOMEM;

    Pending *pending;
    try {
        auto pcm = std::make_shared<std::vector<short>>();
        SynthesizeMidiStream(events, pwh->dwBufferLength, device->usecPerQuarterNote, device->ticksPerQuarterNote,
                             device->volume, WAVEOUT_EMULATION_SAMPLE_RATE, pcm.get());
        auto owned = std::make_unique<Pending>();
        pending = owned.get();
        pending->midi = pwh;
        pending->pcm = pcm;
        if (device->desktop && !pcm->empty()) {
            pending->desktop.lpData = (LPSTR)pcm->data();
            pending->desktop.dwBufferLength = (DWORD)(pcm->size() * sizeof(short));
            MMRESULT result = Desktop()->prepare(device->desktop, &pending->desktop, sizeof(WAVEHDR));
            if (result != MMSYSERR_NOERROR)
                return result;
            pending->viaDesktop = true;
        } else {
            // Without a desktop output the buffer still lasts its time, after
            // the ones before it.
            ULONGLONG start = std::max(GetTickCount64(), device->silentUntil);
            pending->deadline = start + (ULONGLONG)ceil(pcm->size() * 1000.0 / WAVEOUT_EMULATION_SAMPLE_RATE);
            device->silentUntil = pending->deadline;
            pending->submitted = true;
        }
        std::lock_guard<std::mutex> state(device->stateLock);
        device->queue.push_back(std::move(owned));
        device->lastPcm = pcm;
        pwh->dwFlags = (pwh->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    } catch (const std::bad_alloc &) {
        return MMSYSERR_NOMEM;
    }

    if (pending->viaDesktop) {
        MMRESULT result = Desktop()->write(device->desktop, &pending->desktop, sizeof(WAVEHDR));
        std::unique_ptr<Pending> failed;
        {
            std::lock_guard<std::mutex> state(device->stateLock);
            if (result == MMSYSERR_NOERROR) {
                pending->submitted = true;
            } else {
                failed = std::move(device->queue.back());
                device->queue.pop_back();
                pwh->dwFlags = flagsBefore;
            }
        }
        if (failed) {
            Desktop()->unprepare(device->desktop, &failed->desktop, sizeof(WAVEHDR));
            return result;
        }
    }
    SetEvent(device->wake);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT hwo)
{
    HeldDevice device = Acquire(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (device->desktop) {
        MMRESULT result = Desktop()->reset(device->desktop);
        if (result != MMSYSERR_NOERROR)
            return result;
    }
    {
        std::lock_guard<std::mutex> state(device->stateLock);
        for (auto &pending : device->queue) {
            if (!pending->finished)
                Finish(*pending);
        }
        device->silentUntil = 0;
    }
    Reap(*device);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT hwo)
{
    HeldDevice device = Acquire(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    Reap(*device);
    {
        std::lock_guard<std::mutex> state(device->stateLock);
        if (!device->queue.empty() || !device->retired.empty())
            return WAVERR_STILLPLAYING;
    }
    if (device->desktop) {
        MMRESULT result = Desktop()->close(device->desktop);
        if (result != MMSYSERR_NOERROR)
            return result;
    }
    {
        std::lock_guard<std::mutex> state(device->stateLock);
        device->stopping = true;
    }
    SetEvent(device->wake);
    device->watcher.join();
    device->closed = true;
    std::lock_guard<std::mutex> registry(devicesLock);
    devices.erase(hwo);
    return MMSYSERR_NOERROR;
}
