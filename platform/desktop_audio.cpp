// The desktop's output under the emulated wave output, and the silent
// clock that stands in for it.
//
// Opening the desktop's output takes about 100 ms with a real sound server,
// which would make every key's tone late by that much. A closed device's
// output is therefore kept open, reset, for KEEP_DESKTOP_MS ("KeepWaveOutMs"
// sets another span, 0 none), and the next open takes it: only the first
// key after a pause pays for the open.
#include "platform/desktop_audio.h"

#include <string.h>

#include <algorithm>

#include "platform/emulation.h"

#define RATE WAVEOUT_EMULATION_SAMPLE_RATE
#define BLOCK_SAMPLES WAVEOUT_EMULATION_BLOCK_SAMPLES
#define BLOCKS WAVEOUT_EMULATION_BLOCKS
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

// winmm's own functions, loaded at the first desktop output's open.
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

LONGLONG AudioClockFrequency()
{
    static LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return frequency;
}

// How long, in whole milliseconds (at least 1), a span of counts lasts.
DWORD AudioClockMilliseconds(LONGLONG counts)
{
    return (DWORD)std::max<LONGLONG>(1, (counts * 1000 + AudioClockFrequency() - 1) / AudioClockFrequency());
}

void UnprepareDesktopBlocks(DesktopAudio &audio, int count)
{
    for (int i = 0; i < count; i++)
        Desktop()->unprepare(audio.desktop, &audio.blocks[i].desktop, sizeof(WAVEHDR));
}

void CloseDesktop(DesktopAudio &audio)
{
    Desktop()->reset(audio.desktop);
    UnprepareDesktopBlocks(audio, BLOCKS);
    // Nothing is queued on it, so its close has no reason to fail; the slot
    // is free again either way.
    Desktop()->close(audio.desktop);
    audio.desktop = NULL;
}

// The desktop's PCM output for a device, its blocks prepared once.
MMRESULT OpenDesktop(DesktopAudio &audio, HANDLE doneEvent)
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
    MMRESULT result = desktop->open(&audio.desktop, WAVE_MAPPER, &pcm, (DWORD_PTR)doneEvent, 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        audio.desktop = NULL;
        return result;
    }
    for (int i = 0; i < BLOCKS; i++) {
        WAVEHDR &header = audio.blocks[i].desktop;
        header.lpData = (LPSTR)audio.blocks[i].samples;
        header.dwBufferLength = sizeof(audio.blocks[i].samples);
        result = desktop->prepare(audio.desktop, &header, sizeof(WAVEHDR));
        if (result != MMSYSERR_NOERROR) {
            UnprepareDesktopBlocks(audio, i);
            desktop->close(audio.desktop);
            audio.desktop = NULL;
            return result;
        }
    }
    return MMSYSERR_NOERROR;
}

bool BlockPlayed(const DesktopAudio &audio, const AudioBlock &block, LONGLONG now)
{
    if (audio.desktop)
        return (*(volatile const DWORD *)&block.desktop.dwFlags & WHDR_DONE) != 0;
    return now >= block.playedAt;
}

} // namespace

LONGLONG AudioClockNow(void)
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

void KeepDesktopAudio(DesktopAudio *fresh, const DesktopAudio *left)
{
    fresh->desktop = left->desktop;
    if (left->desktop) {
        for (int i = 0; i < BLOCKS; i++)
            fresh->blocks[i].desktop = left->blocks[i].desktop;
    }
}

MMRESULT ChooseDesktopAudio(DesktopAudio *audio, HANDLE doneEvent)
{
    bool silent = EmulationGetDWORD(L"SilentWaveOut", 0) == 1;
    if (silent && audio->desktop)
        CloseDesktop(*audio); // kept from before the device was silenced
    if (!silent && !audio->desktop)
        return OpenDesktop(*audio, doneEvent);
    return MMSYSERR_NOERROR;
}

void PlayAudioBlock(DesktopAudio *audio, AudioBlock *block, size_t count, LONGLONG now)
{
    // Whole blocks only, the rest silent: a prepared header keeps its length.
    memset(block->samples + count, 0, (BLOCK_SAMPLES - count) * sizeof(short));
    if (audio->desktop) {
        block->desktop.dwFlags &= ~WHDR_DONE;
        // A block the desktop refuses counts as played at once.
        if (Desktop()->write(audio->desktop, &block->desktop, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
            block->desktop.dwFlags |= WHDR_DONE;
    } else {
        audio->silentClock = std::max(audio->silentClock, now) + BLOCK_SAMPLES * AudioClockFrequency() / RATE;
        block->playedAt = audio->silentClock;
    }
}

int CollectPlayedAudioBlocks(DesktopAudio *audio, LONGLONG now)
{
    int finished = 0;
    while (audio->blocksInFlight > 0) {
        AudioBlock &block = audio->blocks[audio->firstBlock];
        if (!BlockPlayed(*audio, block, now))
            break;
        finished += block.finishing;
        block.finishing = 0;
        audio->firstBlock = (audio->firstBlock + 1) % BLOCKS;
        audio->blocksInFlight--;
    }
    return finished;
}

DWORD DesktopAudioWait(const DesktopAudio *audio, LONGLONG now)
{
    if (audio->desktop || audio->blocksInFlight == 0)
        return INFINITE;
    return AudioClockMilliseconds(audio->blocks[audio->firstBlock].playedAt - now);
}

MMRESULT ResetDesktopAudio(DesktopAudio *audio)
{
    if (audio->desktop) {
        // Under the caller's lock, so nothing is written behind it.
        MMRESULT result = Desktop()->reset(audio->desktop);
        if (result != MMSYSERR_NOERROR)
            return result;
    }
    for (AudioBlock &block : audio->blocks)
        block.finishing = 0;
    audio->firstBlock = 0;
    audio->blocksInFlight = 0;
    audio->silentClock = 0;
    return MMSYSERR_NOERROR;
}

DWORD DesktopAudioKeepMs(const DesktopAudio *audio)
{
    return audio->desktop ? EmulationGetDWORD(L"KeepWaveOutMs", KEEP_DESKTOP_MS) : 0;
}

void ReleaseDesktopAudio(DesktopAudio *audio, DWORD keepMs)
{
    if (audio->desktop && keepMs == 0) {
        CloseDesktop(*audio);
    } else if (audio->desktop) {
        Desktop()->reset(audio->desktop);
        audio->keptSince = AudioClockNow();
        audio->keepMs = keepMs;
    }
}

DWORD ExpireKeptDesktopAudio(DesktopAudio *audio, LONGLONG now)
{
    LONGLONG keep = (LONGLONG)audio->keepMs * AudioClockFrequency() / 1000;
    LONGLONG left = audio->keptSince + keep - now;
    if (left > 0)
        return AudioClockMilliseconds(left);
    CloseDesktop(*audio);
    return INFINITE;
}
