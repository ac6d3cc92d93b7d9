// The phone's MIDI stream format for the wave output: events whose
// frequency-generator messages make the device's synthesiser sound tones.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#define WAVE_FORMAT_MIDI 0x3000
// The kind of a message is its top byte; a frequency generator's messages
// carry its level in bits 16-23 and its frequency in hertz in the low word.
#define MIDI_MESSAGE_UPDATETEMPO 0x10000000
#define MIDI_MESSAGE_FREQGENON 0x20000000
#define MIDI_MESSAGE_FREQGENOFF 0x30000000

typedef struct {
    WAVEFORMATEX wfx;
    DWORD USecPerQuarterNote;
    DWORD TicksPerQuarterNote;
} WAVEFORMAT_MIDI;

typedef struct {
    DWORD dwDeltaTicks;
    DWORD dwMidiMsg;
} WAVEFORMAT_MIDI_MESSAGE;

// The bytes of the record after WAVEFORMATEX's 18: padding and the tempo.
#define WAVEFORMAT_MIDI_EXTRASIZE (sizeof(WAVEFORMAT_MIDI) - sizeof(WAVEFORMATEX))
