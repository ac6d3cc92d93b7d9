// The wave output's device slots and the one audio thread that serves
// them (platform/waveout_engine.cpp); the waveOut functions
// (platform/waveout.cpp) open, feed and close the slots.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <mutex>

#include "platform/desktop_audio.h"
#include "platform/tone_synthesizer.h"

struct WaveOutDevice {
    bool reserved; // the slot is taken, perhaps still being opened
    bool open; // the program may use the handle
    HWAVEOUT handle;
    WORD volume;
    DWORD usecPerQuarterNote, ticksPerQuarterNote;
    // The program's headers from their write until they are done, linked
    // through lpNext; next is the first one not yet begun.
    WAVEHDR *head, *tail, *next;
    bool rendering; // the renderer holds a begun buffer
    ToneRenderer renderer;
    DesktopAudio audio;
    bool producing;
};

// Guards every slot and the record. The audio thread holds it while it
// renders and hands blocks to winmm; the waveOut functions hold it too, so
// a reset can never be overtaken by a block written behind it.
extern std::mutex engineLock;
// The audio thread's event, set only while that thread runs.
extern HANDLE engineWake;

// The open device of a handle, or null; under the lock.
WaveOutDevice *FindDevice(HWAVEOUT handle);
// Gives the program back a device's oldest headers, in their order; under
// the lock.
void FinishHeaders(WaveOutDevice &device, int count);
// Records the end of a device's tone if it was sounding; under the lock.
void ToneStopped(WaveOutDevice &device);
// Starts the audio thread unless it runs; false if it cannot be started.
bool StartEngine(void);
// A free slot, reserved for the caller, or null; the one that keeps a
// desktop output is taken first, once an output being readied is ready
// (waited for a second at most). Takes the lock itself.
WaveOutDevice *ReserveSlot(void);
// Gives back a slot whose open failed. Takes the lock itself.
void ReleaseSlot(WaveOutDevice &device);
// Has the audio thread open the desktop's output and keep it for the next
// device, unless a device has one or is opening one; returns at once. Takes
// the lock itself.
void AskToPrepareOutput(void);
