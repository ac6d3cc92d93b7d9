// The device's wave output accepts a MIDI stream whose messages switch tone
// generators on and off. The desktop stand-in synthesises those tones and
// plays them through the desktop's PCM wave output.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "wavemidi.h"

#define WAVEOUT_EMULATION_SAMPLE_RATE 22050

// 16-bit mono PCM of a buffer of events; volume scales all generators the
// way waveOutSetVolume's low word does (0..0xFFFF).
void SynthesizeMidiStream(const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote,
                          WORD volume, DWORD sampleRate, std::vector<short> *samples);

// Observation points, for tests.
DWORD WaveOutEmulationOpenDevices(void);
// Whether the device was opened without a desktop output ("SilentWaveOut").
BOOL WaveOutEmulationIsSilent(HWAVEOUT device);
// The PCM made for the device's latest waveOutWrite.
BOOL WaveOutEmulationLastBuffer(HWAVEOUT device, std::vector<short> *samples);
