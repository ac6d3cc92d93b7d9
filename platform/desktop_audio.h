// The sound device under the wave output's emulation: the blocks a device
// renders are played through the desktop's own PCM wave output (winmm,
// reached by name so that it does not clash with the emulation's waveOut
// functions) or, for a device opened with "SilentWaveOut" = 1, through a
// clock that takes as long to play a block as its samples last, so that
// buffers still take their time without any sound card.
//
// The caller serialises every call for one output, as the wave output's
// lock does.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <stddef.h>

#include "platform/include/waveout_emulation.h"

struct AudioBlock {
    // The block as the desktop's output plays it, prepared once.
    WAVEHDR desktop;
    short samples[WAVEOUT_EMULATION_BLOCK_SAMPLES];
    // The program's headers whose last sample lies in this block; the
    // output only carries the count.
    int finishing;
    // When a silent device's clock has played it.
    LONGLONG playedAt;
};

// A device slot's output: its blocks queued in a ring, oldest first.
struct DesktopAudio {
    HWAVEOUT desktop; // NULL: the silent clock
    AudioBlock blocks[WAVEOUT_EMULATION_BLOCKS];
    int firstBlock, blocksInFlight;
    LONGLONG silentClock; // when the silent device's last block ends
    // A free slot's desktop output, kept open since then for the next open.
    LONGLONG keptSince;
    DWORD keepMs;
};

// The clock of the output and of the emulation's record: the
// QueryPerformanceCounter count.
LONGLONG AudioClockNow(void);

// A slot being reserved afresh keeps the desktop output it was left with,
// and that output's prepared blocks.
void KeepDesktopAudio(DesktopAudio *fresh, const DesktopAudio *left);
// Gives a slot being opened the output its settings ask for: the silent
// clock, or a desktop output signalling doneEvent as it finishes blocks
// (the slot's kept one if it has one). On failure the slot has none.
MMRESULT ChooseDesktopAudio(DesktopAudio *audio, HANDLE doneEvent);
// Hands a block of count rendered samples to the output; the rest of the
// block is silenced, as the output plays whole blocks.
void PlayAudioBlock(DesktopAudio *audio, AudioBlock *block, size_t count, LONGLONG now);
// Takes the blocks played by now off the queue; returns how many of the
// program's headers they finish.
int CollectPlayedAudioBlocks(DesktopAudio *audio, LONGLONG now);
// How long the audio thread may sleep before the output needs it again:
// the desktop's output wakes it with its done event, a silent one once its
// oldest block is played, an idle one never.
DWORD DesktopAudioWait(const DesktopAudio *audio, LONGLONG now);
// Drops every queued block at once. Nothing is dropped if the desktop's
// output refuses.
MMRESULT ResetDesktopAudio(DesktopAudio *audio);

// How long a closed device's desktop output stays open for the next open
// ("KeepWaveOutMs"); reads the setting, so call it outside the lock.
DWORD DesktopAudioKeepMs(const DesktopAudio *audio);
// At a device's close: closes its desktop output, or keeps it open, reset,
// for keepMs.
void ReleaseDesktopAudio(DesktopAudio *audio, DWORD keepMs);
// Closes a free slot's kept output once it has waited long enough; returns
// how long the caller may sleep before it has to look again.
DWORD ExpireKeptDesktopAudio(DesktopAudio *audio, LONGLONG now);
