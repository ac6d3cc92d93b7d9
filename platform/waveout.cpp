// The device's wave output for its MIDI tone stream: the waveOut functions
// with the SDK's signatures. Buffers go through every header state; the
// program's headers are queued through their own lpNext fields, as winmm
// does, for the audio thread (platform/waveout_engine.h) to render.
#define _WINMM_ // these are the definitions, not imports
#include <windows.h>
#include <mmsystem.h>

#include <stddef.h>
#include <string.h>

#include "platform/include/waveout_emulation.h"
#include "platform/waveout_engine.h"

// The synthesiser reads the SDK's events and messages as they are laid out.
static_assert(sizeof(WAVEFORMAT_MIDI_MESSAGE) == TONE_EVENT_BYTES &&
                  offsetof(WAVEFORMAT_MIDI_MESSAGE, dwMidiMsg) == TONE_EVENT_MESSAGE_OFFSET,
              "a MIDI event is its ticks, then its message");
static_assert(MIDI_MESSAGE_FREQGENON == (DWORD)TONE_MESSAGE_ON << 24 &&
                  MIDI_MESSAGE_FREQGENOFF == (DWORD)TONE_MESSAGE_OFF << 24,
              "the synthesiser's messages are the SDK's");

static ULONG_PTR nextHandle = 0x5E00;

static bool ReadMidiFormat(const WAVEFORMATEX *format, DWORD *usecPerQuarterNote, DWORD *ticksPerQuarterNote)
{
    if (format->wFormatTag != WAVE_FORMAT_MIDI || format->nChannels != 1 ||
        format->cbSize < sizeof(WAVEFORMAT_MIDI) - sizeof(WAVEFORMATEX))
        return false;
    const BYTE *data = (const BYTE *)format;
    memcpy(usecPerQuarterNote, data + offsetof(WAVEFORMAT_MIDI, USecPerQuarterNote), sizeof(DWORD));
    memcpy(ticksPerQuarterNote, data + offsetof(WAVEFORMAT_MIDI, TicksPerQuarterNote), sizeof(DWORD));
    return *usecPerQuarterNote != 0 && *ticksPerQuarterNote != 0;
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
    if (fdwOpen & WAVE_FORMAT_QUERY) {
        // A query loads the driver, as a real device's does: the audio
        // thread readies the output while the caller goes on.
        AskToPrepareOutput();
        return MMSYSERR_NOERROR;
    }
    if (!phwo)
        return MMSYSERR_INVALPARAM;
    if (!StartEngine())
        return MMSYSERR_NOMEM;

    WaveOutDevice *device = ReserveSlot();
    if (!device)
        return MMSYSERR_ALLOCATED;
    // Reserved, the slot is the caller's alone: the audio thread leaves it.
    MMRESULT result = ChooseDesktopAudio(&device->audio, engineWake);
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
    WaveOutDevice *device = FindDevice(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    // Mono: the left channel's word. Takes effect from the next buffer.
    device->volume = LOWORD(dwVolume);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    std::lock_guard<std::mutex> hold(engineLock);
    if (!FindDevice(hwo))
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
    if (!FindDevice(hwo))
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
        WaveOutDevice *device = FindDevice(hwo);
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
    SetEvent(engineWake);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT hwo)
{
    std::lock_guard<std::mutex> hold(engineLock);
    WaveOutDevice *device = FindDevice(hwo);
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
    WaveOutDevice *device;
    {
        std::lock_guard<std::mutex> hold(engineLock);
        device = FindDevice(hwo);
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
    SetEvent(engineWake);
    return MMSYSERR_NOERROR;
}
