// Key tones: three events drive the wave device's two frequency generators
// for ten seconds, so no samples are computed here and nothing is allocated
// per key press. The device stays open from key-down to key-up.
#include "device/key_tones.h"

#include <wfmtmidi.h>

// The wave device reads these records as the phone lays them out.
static_assert(sizeof(WAVEFORMAT_MIDI) == 28, "the format record is 28 bytes");
static_assert(sizeof(WAVEFORMAT_MIDI_MESSAGE) == 8, "one event is 8 bytes");

#define TONE_VOLUME 0x00002000
#define TONE_SECONDS 10
#define GENERATOR_VOLUME 0x7F

static const struct {
    KeyCode key;
    WORD low;
    WORD high;
} ToneFrequencies[] = {
    {'1', 697, 1209}, {'2', 697, 1336}, {'3', 697, 1477}, {'4', 770, 1209}, {'5', 770, 1336}, {'6', 770, 1477},
    {'7', 852, 1209}, {'8', 852, 1336}, {'9', 852, 1477}, {'*', 941, 1209}, {'0', 941, 1336}, {'#', 941, 1477},
};

// The row and column frequencies of a key; false for keys without a tone.
static bool KeyToneFrequencies(KeyCode key, WORD *low, WORD *high)
{
    for (size_t i = 0; i < ARRAY_COUNT(ToneFrequencies); i++) {
        if (ToneFrequencies[i].key == key) {
            *low = ToneFrequencies[i].low;
            *high = ToneFrequencies[i].high;
            return true;
        }
    }
    return false;
}

static DWORD GeneratorOn(WORD frequency)
{
    return MIDI_MESSAGE_FREQGENON | ((DWORD)GENERATOR_VOLUME << 16) | frequency;
}

static void FillToneEvents(WORD low, WORD high)
{
    WAVEFORMAT_MIDI_MESSAGE *events = app.toneEvents;
    events[0].dwDeltaTicks = 0;
    events[0].dwMidiMsg = GeneratorOn(high);
    events[1].dwDeltaTicks = 0;
    events[1].dwMidiMsg = GeneratorOn(low);
    events[2].dwDeltaTicks = TONE_SECONDS;
    events[2].dwMidiMsg = 0;
}

static void MakeToneFormat(WAVEFORMAT_MIDI *format)
{
    ZeroMemory(format, sizeof(*format));
    format->wfx.wFormatTag = WAVE_FORMAT_MIDI;
    format->wfx.nChannels = 1;
    format->wfx.nBlockAlign = sizeof(WAVEFORMAT_MIDI_MESSAGE);
    format->wfx.cbSize = WAVEFORMAT_MIDI_EXTRASIZE;
    format->USecPerQuarterNote = 1000000;
    format->TicksPerQuarterNote = 1;
}

// Asks the wave device whether it takes the tone format. The answer is
// known, but asking makes the device load its driver, so that the first key
// pressed does not wait for it; it is done once the first frame is shown.
void PrepareKeyTones(void)
{
    WAVEFORMAT_MIDI format;
    MakeToneFormat(&format);
    waveOutOpen(NULL, 0, (WAVEFORMATEX *)&format, 0, 0, WAVE_FORMAT_QUERY);
}

void PlayKeyTone(KeyCode key)
{
    WORD low, high;
    if (!KeyToneFrequencies(key, &low, &high))
        return;
    if (app.toneDevice) {
        // Still sounding (a held key repeating): keep the tone going.
        waveOutWrite(app.toneDevice, &app.toneHeader, sizeof(WAVEHDR));
        return;
    }
    FillToneEvents(low, high);
    app.toneHeader.lpData = (LPSTR)app.toneEvents;
    app.toneHeader.dwBufferLength = sizeof(app.toneEvents);
    WAVEFORMAT_MIDI format;
    MakeToneFormat(&format);
    if (waveOutOpen(&app.toneDevice, 0, (WAVEFORMATEX *)&format, 0, 0, 0) != MMSYSERR_NOERROR) {
        app.toneDevice = NULL;
        return;
    }
    waveOutSetVolume(app.toneDevice, TONE_VOLUME);
    waveOutPrepareHeader(app.toneDevice, &app.toneHeader, sizeof(WAVEHDR));
    waveOutWrite(app.toneDevice, &app.toneHeader, sizeof(WAVEHDR));
}

void StopKeyTone(void)
{
    if (!app.toneDevice)
        return;
    waveOutReset(app.toneDevice);
    waveOutUnprepareHeader(app.toneDevice, &app.toneHeader, sizeof(WAVEHDR));
    waveOutClose(app.toneDevice);
    app.toneDevice = NULL;
}
