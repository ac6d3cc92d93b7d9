// The synthesiser behind the device's wave output: it plays a buffer of
// MIDI events whose frequency-generator messages switch sine generators on
// and off, and renders their sum as 16-bit mono PCM, a stretch of samples
// at a time, so that a device can render a buffer in blocks of its own size
// and get the very samples it would get whole.
//
// A pure function of its input: no platform call, written against
// base/portable_types.h only, so that it builds natively for fuzzing and
// for the phone as well as for the desktop's stand-in.
#pragma once
#include <stddef.h>

#include <vector>

#include "base/portable_types.h"

// Generators sounding at once; one switched on beyond that stays silent.
#define TONE_GENERATORS_MAX 16
// One event of a buffer as the phone's SDK lays it out
// (WAVEFORMAT_MIDI_MESSAGE): the ticks since the event before it, then the
// message; a partial event at the end is not read.
#define TONE_EVENT_BYTES 8
#define TONE_EVENT_MESSAGE_OFFSET 4
// The kinds of message, in its top byte (MIDI_MESSAGE_FREQGENON and
// MIDI_MESSAGE_FREQGENOFF); other kinds only take time. The low word is the
// generator's frequency in hertz, which names it, and bits 16-23 its level,
// 0..0x7F (more counts as 0x7F).
#define TONE_MESSAGE_ON 0x20
#define TONE_MESSAGE_OFF 0x30

struct ToneGenerator {
    DWORD frequency;
    double amplitude;
    double phase; // in cycles
};

// One buffer being rendered.
struct ToneRenderer {
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
    ToneGenerator generators[TONE_GENERATORS_MAX];
};

// Starts a buffer of eventBytes bytes (none when events is NULL) at the
// stream's tempo; volume scales every generator the way waveOutSetVolume's
// low word does (0..0xFFFF). The buffer lasts as long as the sum of its
// events' ticks, rounded to the nearest sample. ticksPerQuarterNote and
// sampleRate must not be 0. The renderer keeps events: they must outlive it.
void StartToneBuffer(ToneRenderer *renderer, const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote,
                     DWORD ticksPerQuarterNote, WORD volume, DWORD sampleRate);
// Renders up to capacity samples of the buffer into out; fewer only at its
// end. Returns the samples written.
size_t RenderToneBuffer(ToneRenderer *renderer, short *out, size_t capacity);
bool ToneBufferDone(const ToneRenderer *renderer);

// The whole buffer's samples at once: what a device renders of it, block
// by block. None when events is NULL or ticksPerQuarterNote or sampleRate
// is 0.
void SynthesizeMidiStream(const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote,
                          WORD volume, DWORD sampleRate, std::vector<short> *samples);
