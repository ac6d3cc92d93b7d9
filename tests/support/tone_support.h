// The tone tests' events and their rendering, shared by the synthesiser's
// tests and the wave output's. Pure, as the synthesiser is.
#pragma once
#include <vector>

#include "platform/tone_synthesizer.h"

// The rate of the device's wave output (WAVEOUT_EMULATION_SAMPLE_RATE).
#define TONE_TEST_RATE 22050

// An event as the phone's SDK lays it out (WAVEFORMAT_MIDI_MESSAGE in its
// wfmtmidi.h, which needs the platform's headers) and the synthesiser
// reads it.
struct ToneEvent {
    DWORD dwDeltaTicks;
    DWORD dwMidiMsg;
};
static_assert(sizeof(ToneEvent) == TONE_EVENT_BYTES, "a MIDI event is its ticks, then its message");

// Key '5': both generators on at once, the buffer lasting ten ticks.
static const ToneEvent keyFive[] = {{0, 0x207F0538}, {0, 0x207F0302}, {10, 0}};

inline std::vector<short> Synthesize(const ToneEvent *events, size_t count, WORD volume, DWORD usec = 1000000,
                                     DWORD ticks = 1, DWORD rate = TONE_TEST_RATE)
{
    std::vector<short> samples;
    SynthesizeMidiStream((const BYTE *)events, (DWORD)(count * sizeof(*events)), usec, ticks, volume, rate, &samples);
    return samples;
}
