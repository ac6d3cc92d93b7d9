// The device's wave output accepts a MIDI stream whose messages switch tone
// generators on and off. The desktop stand-in synthesises those tones and
// plays them through the desktop's PCM wave output.
//
// One audio thread, started with the first open, renders every open
// device's buffers in short blocks while they sound, into blocks that each
// device slot owns; a key press starts no thread and allocates nothing.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <wfmtmidi.h>

// SynthesizeMidiStream: the samples the device renders of a buffer.
#include "platform/tone_synthesizer.h"

#define WAVEOUT_EMULATION_SAMPLE_RATE 22050
// Samples in one rendered block (about 11.6 ms) and the blocks a device
// keeps queued ahead of the output (about 35 ms).
#define WAVEOUT_EMULATION_BLOCK_SAMPLES 256
#define WAVEOUT_EMULATION_BLOCKS 3
// Devices open at once, and tone generators sounding at once per device; a
// generator switched on beyond that stays silent.
#define WAVEOUT_EMULATION_MAX_DEVICES 4
#define WAVEOUT_EMULATION_MAX_GENERATORS TONE_GENERATORS_MAX

// Observation points, for tests and benchmarks.
DWORD WaveOutEmulationOpenDevices(void);
// Whether the device was opened without a desktop output ("SilentWaveOut").
BOOL WaveOutEmulationIsSilent(HWAVEOUT device);

// What the stand-in has done in this process. Times are
// QueryPerformanceCounter counts, comparable with a caller's own.
typedef struct {
    // Threads the stand-in has started (its audio thread: at most 1).
    DWORD threadsStarted;
    // The audio thread's id, 0 before the first open.
    DWORD audioThreadId;
    // Times an open device went from producing no samples to producing
    // some: once per key press that sounds.
    DWORD tonesStarted;
    // Samples rendered for all devices (silent ones included).
    ULONGLONG samplesRendered;
    // When the latest tone's first block was handed to the output (the
    // desktop's, or the silent device's clock).
    LONGLONG firstSampleAt;
    // When the latest tone stopped producing samples: its waveOutReset
    // returned, or its buffers ran out. 0 while it is sounding.
    LONGLONG lastSampleAt;
    // Desktop outputs opened ahead of any device, after a format query
    // (WAVE_FORMAT_QUERY) asked for the output to be readied.
    DWORD outputsPrepared;
} WAVEOUT_EMULATION_RECORD;
void WaveOutEmulationGetRecord(WAVEOUT_EMULATION_RECORD *record);

// From now on copies the samples rendered for any device into buffer,
// until capacity samples are held; capacity 0 stops copying. Returns at
// once; WaveOutEmulationCaptured tells how many samples arrived so far.
void WaveOutEmulationCapture(short *buffer, DWORD capacity);
DWORD WaveOutEmulationCaptured(void);
