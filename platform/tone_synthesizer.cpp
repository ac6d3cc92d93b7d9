#include "platform/tone_synthesizer.h"

#include <math.h>
#include <string.h>

#include <algorithm>

namespace
{

// The double nearest to pi.
const double kPi = 3.141592653589793238462643383279502884;

ULONGLONG SamplesAtTick(ULONGLONG ticks, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote, DWORD sampleRate)
{
    return (ULONGLONG)floor((double)ticks * usecPerQuarterNote / ticksPerQuarterNote * sampleRate / 1e6 + 0.5);
}

// The event at offset, read bytewise: the buffer need not be aligned.
void EventAt(const ToneRenderer &renderer, DWORD offset, DWORD *deltaTicks, DWORD *message)
{
    memcpy(deltaTicks, renderer.events + offset, sizeof(DWORD));
    memcpy(message, renderer.events + offset + TONE_EVENT_MESSAGE_OFFSET, sizeof(DWORD));
}

bool HasEventAt(const ToneRenderer &renderer, DWORD offset)
{
    return offset + TONE_EVENT_BYTES <= renderer.eventBytes;
}

ToneGenerator *FindGenerator(ToneRenderer &renderer, DWORD frequency)
{
    ToneGenerator *each = renderer.generators;
    ToneGenerator *end = renderer.generators + renderer.generatorCount;
    while (each != end && each->frequency != frequency)
        each++;
    return each;
}

void Apply(ToneRenderer &renderer, DWORD message)
{
    DWORD kind = message >> 24;
    DWORD frequency = message & 0xFFFF;
    ToneGenerator *generators = renderer.generators;
    ToneGenerator *found = FindGenerator(renderer, frequency);
    bool exists = found != generators + renderer.generatorCount;
    if (kind == TONE_MESSAGE_OFF && exists) {
        std::copy(found + 1, generators + renderer.generatorCount, found);
        renderer.generatorCount--;
    } else if (kind == TONE_MESSAGE_ON) {
        if (!exists) {
            if (renderer.generatorCount == TONE_GENERATORS_MAX)
                return;
            found->frequency = frequency;
            found->amplitude = 0;
            found->phase = 0;
            renderer.generatorCount++;
        }
        DWORD level = std::min<DWORD>((message >> 16) & 0xFF, 0x7F);
        // Each generator gets at most half of full scale so that two, as a
        // key tone has, never clip.
        bool audible = frequency > 0 && 2 * frequency < renderer.sampleRate;
        found->amplitude = audible ? level / 127.0 * renderer.volume / 65535.0 * (32767 / 2.0) : 0;
    }
}

// Applies every event due at the current sample and finds the next one.
void ApplyDueEvents(ToneRenderer &renderer)
{
    renderer.nextEventAt = renderer.end;
    while (HasEventAt(renderer, renderer.nextEvent)) {
        DWORD deltaTicks, message;
        EventAt(renderer, renderer.nextEvent, &deltaTicks, &message);
        ULONGLONG ticks = renderer.ticks + deltaTicks;
        ULONGLONG at =
            SamplesAtTick(ticks, renderer.usecPerQuarterNote, renderer.ticksPerQuarterNote, renderer.sampleRate);
        if (at > renderer.position) {
            renderer.nextEventAt = at;
            return;
        }
        renderer.ticks = ticks;
        Apply(renderer, message);
        renderer.nextEvent += TONE_EVENT_BYTES;
    }
}

short NextSample(ToneRenderer &renderer)
{
    double sum = 0;
    for (int i = 0; i < renderer.generatorCount; i++) {
        ToneGenerator &generator = renderer.generators[i];
        sum += generator.amplitude * sin(2 * kPi * generator.phase);
        generator.phase += (double)generator.frequency / renderer.sampleRate;
        generator.phase -= floor(generator.phase);
    }
    // Clamped as std::clamp does; many generators together may clip.
    double clamped = sum < -32767.0 ? -32767.0 : 32767.0 < sum ? 32767.0 : sum;
    return (short)lrint(clamped);
}

} // namespace

void StartToneBuffer(ToneRenderer *renderer, const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote,
                     DWORD ticksPerQuarterNote, WORD volume, DWORD sampleRate)
{
    renderer->events = events;
    renderer->eventBytes = events ? eventBytes : 0;
    renderer->nextEvent = 0;
    renderer->ticks = 0;
    renderer->position = 0;
    renderer->usecPerQuarterNote = usecPerQuarterNote;
    renderer->ticksPerQuarterNote = ticksPerQuarterNote;
    renderer->sampleRate = sampleRate;
    renderer->volume = volume;
    renderer->generatorCount = 0;
    ULONGLONG ticks = 0;
    for (DWORD offset = 0; HasEventAt(*renderer, offset); offset += TONE_EVENT_BYTES) {
        DWORD deltaTicks, message;
        EventAt(*renderer, offset, &deltaTicks, &message);
        ticks += deltaTicks;
    }
    renderer->end = SamplesAtTick(ticks, usecPerQuarterNote, ticksPerQuarterNote, sampleRate);
    ApplyDueEvents(*renderer);
}

size_t RenderToneBuffer(ToneRenderer *renderer, short *out, size_t capacity)
{
    size_t count = 0;
    while (count < capacity && renderer->position < renderer->end) {
        if (renderer->position >= renderer->nextEventAt)
            ApplyDueEvents(*renderer);
        ULONGLONG until = std::min<ULONGLONG>(renderer->nextEventAt, renderer->position + (capacity - count));
        while (renderer->position < until) {
            out[count++] = NextSample(*renderer);
            renderer->position++;
        }
    }
    return count;
}

bool ToneBufferDone(const ToneRenderer *renderer)
{
    return renderer->position >= renderer->end;
}

void SynthesizeMidiStream(const BYTE *events, DWORD eventBytes, DWORD usecPerQuarterNote, DWORD ticksPerQuarterNote,
                          WORD volume, DWORD sampleRate, std::vector<short> *samples)
{
    samples->clear();
    if (!events || !ticksPerQuarterNote || !sampleRate)
        return;
    ToneRenderer renderer;
    StartToneBuffer(&renderer, events, eventBytes, usecPerQuarterNote, ticksPerQuarterNote, volume, sampleRate);
    samples->resize((size_t)renderer.end);
    if (!samples->empty())
        samples->resize(RenderToneBuffer(&renderer, &(*samples)[0], samples->size()));
}
