// The tone synthesiser over random buffers of events: every rendered block
// is the sum of the generators its events name, each rendered alone.
//
// A generator's samples do not depend on the others (each keeps its own
// phase and level), but the synthesiser sums them in floating point and
// then clamps the sum to +-32767 and rounds it once, where the lone renders
// are each rounded on their own. So with n generators named, every mixed
// sample m and the lone samples a_i hold, exactly:
//   |m - clamp(sum a_i, -32767, 32767)| <= (n + 1) / 2   (integer division)
// (each a_i is within 1/2 of its generator's value, m within 1/2 of the
// clamped value of their sum, and clamping moves two values no further
// apart). A generator lost, doubled, re-phased or given another's level is
// off by far more than that at any audible level.
//
// Also: the blocks the buffer is rendered in (sizes from the input, as a
// device renders it block by block) never take more than their room nor
// write past it, fall short only at the buffer's end, and give exactly the
// samples of the whole buffer rendered at once; the length is the ticks at
// the tempo, to the nearest sample.
#include <string.h>

#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/tone_synthesizer.h"

namespace
{

// Longest buffer rendered, in samples: longer ones are passed over.
const size_t kMaxSamples = 4096;
const short kGuard = 0x5A5A;
const size_t kGuardSamples = 8;

struct Stream {
    std::vector<BYTE> bytes;
    DWORD usecPerQuarterNote, ticksPerQuarterNote, sampleRate;
    WORD volume;
};

void AddEvent(std::vector<BYTE> *bytes, DWORD deltaTicks, DWORD message)
{
    BYTE event[TONE_EVENT_BYTES];
    memcpy(event, &deltaTicks, sizeof(DWORD));
    memcpy(event + TONE_EVENT_MESSAGE_OFFSET, &message, sizeof(DWORD));
    bytes->insert(bytes->end(), event, event + TONE_EVENT_BYTES);
}

DWORD MessageAt(const std::vector<BYTE> &bytes, size_t offset)
{
    DWORD message;
    memcpy(&message, &bytes[offset + TONE_EVENT_MESSAGE_OFFSET], sizeof(DWORD));
    return message;
}

bool SwitchesGenerator(DWORD message)
{
    return (message >> 24) == TONE_MESSAGE_ON || (message >> 24) == TONE_MESSAGE_OFF;
}

// The buffer with every other generator's messages made into ones that
// only take time: the same events at the same times, one generator named.
std::vector<BYTE> Alone(const std::vector<BYTE> &bytes, DWORD frequency)
{
    std::vector<BYTE> alone = bytes;
    for (size_t offset = 0; offset + TONE_EVENT_BYTES <= alone.size(); offset += TONE_EVENT_BYTES) {
        DWORD message = MessageAt(alone, offset);
        if (SwitchesGenerator(message) && (message & 0xFFFF) != frequency)
            memset(&alone[offset + TONE_EVENT_MESSAGE_OFFSET], 0, sizeof(DWORD));
    }
    return alone;
}

// The buffer rendered in blocks of the given sizes, in turn; every block's
// bounds checked.
std::vector<short> RenderInBlocks(const Stream &stream, const std::vector<size_t> &sizes)
{
    ToneRenderer renderer;
    StartToneBuffer(&renderer, stream.bytes.data(), (DWORD)stream.bytes.size(), stream.usecPerQuarterNote,
                    stream.ticksPerQuarterNote, stream.volume, stream.sampleRate);
    ULONGLONG length = renderer.end;
    std::vector<short> samples;
    for (size_t turn = 0; !ToneBufferDone(&renderer); turn++) {
        size_t capacity = sizes[turn % sizes.size()];
        std::vector<short> block(capacity + kGuardSamples, kGuard);
        size_t count = RenderToneBuffer(&renderer, block.data(), capacity);
        FUZZ_CHECK(count <= capacity);
        for (size_t i = capacity; i < block.size(); i++)
            FUZZ_CHECK(block[i] == kGuard);
        // Short only at the end, and never stuck before it.
        FUZZ_CHECK(count == capacity || ToneBufferDone(&renderer));
        FUZZ_CHECK(count > 0);
        samples.insert(samples.end(), block.begin(), block.begin() + count);
        FUZZ_CHECK(samples.size() <= length);
    }
    FUZZ_CHECK(samples.size() == length);
    short spare = kGuard;
    FUZZ_CHECK(RenderToneBuffer(&renderer, &spare, 1) == 0 && spare == kGuard);
    return samples;
}

ULONGLONG TotalTicks(const std::vector<BYTE> &bytes)
{
    ULONGLONG ticks = 0;
    for (size_t offset = 0; offset + TONE_EVENT_BYTES <= bytes.size(); offset += TONE_EVENT_BYTES) {
        DWORD delta;
        memcpy(&delta, &bytes[offset], sizeof(DWORD));
        ticks += delta;
    }
    return ticks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    Stream stream;
    stream.sampleRate = 1 + (DWORD)TakeBelow(&in, 48000);
    stream.usecPerQuarterNote = (DWORD)TakeBelow(&in, 0x10000);
    stream.ticksPerQuarterNote = 1 + (DWORD)TakeBelow(&in, 64);
    stream.volume = (WORD)TakeBelow(&in, 0x10000);
    // The generators the events may name: at most as many as sound at once.
    DWORD frequencies[TONE_GENERATORS_MAX];
    size_t frequencyCount = 1 + TakeBelow(&in, TONE_GENERATORS_MAX);
    for (size_t i = 0; i < frequencyCount; i++)
        frequencies[i] = (DWORD)TakeBelow(&in, 0x10000);
    std::vector<size_t> blockSizes;
    for (size_t i = 1 + TakeBelow(&in, 4); i > 0; i--)
        blockSizes.push_back(1 + TakeBelow(&in, 600));
    // Events: on, off, or another kind that only takes time, with any level.
    for (size_t i = TakeBelow(&in, 48); i > 0; i--) {
        DWORD delta = TakeByte(&in) & 0x3F;
        unsigned choice = TakeByte(&in);
        DWORD kind = choice < 0x90 ? TONE_MESSAGE_ON : choice < 0xF0 ? TONE_MESSAGE_OFF : choice;
        DWORD frequency = frequencies[TakeByte(&in) % frequencyCount];
        AddEvent(&stream.bytes, delta, kind << 24 | (DWORD)TakeByte(&in) << 16 | frequency);
    }
    // A partial event at the end, which is not read.
    for (size_t i = TakeBelow(&in, 8); i > 0; i--)
        stream.bytes.push_back((BYTE)TakeByte(&in));

    // The length: the ticks at the tempo, to the nearest sample. Checked
    // on exact integers: |2 length den - 2 num| <= den, a tie either way.
    ULONGLONG numerator = TotalTicks(stream.bytes) * stream.usecPerQuarterNote * stream.sampleRate;
    ULONGLONG denominator = (ULONGLONG)stream.ticksPerQuarterNote * 1000000;
    ToneRenderer probe;
    StartToneBuffer(&probe, stream.bytes.data(), (DWORD)stream.bytes.size(), stream.usecPerQuarterNote,
                    stream.ticksPerQuarterNote, stream.volume, stream.sampleRate);
    ULONGLONG twice = 2 * probe.end * denominator;
    FUZZ_CHECK((twice > 2 * numerator ? twice - 2 * numerator : 2 * numerator - twice) <= denominator);
    if (probe.end > kMaxSamples)
        return 0;

    std::vector<short> mixed = RenderInBlocks(stream, blockSizes);
    std::vector<short> whole;
    SynthesizeMidiStream(stream.bytes.data(), (DWORD)stream.bytes.size(), stream.usecPerQuarterNote,
                         stream.ticksPerQuarterNote, stream.volume, stream.sampleRate, &whole);
    FUZZ_CHECK(whole == mixed);

    // Each generator named, alone, rendered whole.
    std::vector<DWORD> named;
    for (size_t offset = 0; offset + TONE_EVENT_BYTES <= stream.bytes.size(); offset += TONE_EVENT_BYTES) {
        DWORD message = MessageAt(stream.bytes, offset);
        DWORD frequency = message & 0xFFFF;
        bool known = false;
        for (size_t i = 0; i < named.size(); i++)
            known = known || named[i] == frequency;
        if ((message >> 24) == TONE_MESSAGE_ON && !known)
            named.push_back(frequency);
    }
    std::vector<long> sum(mixed.size(), 0);
    for (size_t g = 0; g < named.size(); g++) {
        std::vector<BYTE> alone = Alone(stream.bytes, named[g]);
        std::vector<short> samples;
        SynthesizeMidiStream(alone.data(), (DWORD)alone.size(), stream.usecPerQuarterNote, stream.ticksPerQuarterNote,
                             stream.volume, stream.sampleRate, &samples);
        FUZZ_CHECK(samples.size() == mixed.size());
        for (size_t i = 0; i < samples.size(); i++)
            sum[i] += samples[i];
    }
    long tolerance = ((long)named.size() + 1) / 2;
    for (size_t i = 0; i < mixed.size(); i++) {
        long clamped = sum[i] < -32767 ? -32767 : sum[i] > 32767 ? 32767 : sum[i];
        long difference = mixed[i] - clamped;
        FUZZ_CHECK(mixed[i] >= -32767 && mixed[i] <= 32767);
        FUZZ_CHECK(difference >= -tolerance && difference <= tolerance);
    }
    return 0;
}
