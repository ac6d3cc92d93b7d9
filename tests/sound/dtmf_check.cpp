// Checks a recording of the sound card's output (16-bit mono PCM, little
// endian) for one held key's DTMF tone: it must sound at least the given
// time, hold exactly its row and column frequency of the eight (in the
// median of its 100 ms pieces), end within MAX_END_LAG_MS of the key-up
// and be followed by silence. Built for the
// host, it reads what timed_record wrote: the samples, and in TIMES when
// they arrived. The key-up went out between KEY_UP_SENT_NS and
// KEY_UP_DONE_NS, wall clock in nanoseconds (`date +%s%N`): the tone must
// end no more than MAX_END_LAG_MS before the first or after the second.
// Usage: dtmf_check FILE TIMES RATE LOW_HZ HIGH_HZ MIN_TONE_MS KEY_UP_SENT_NS KEY_UP_DONE_NS MAX_END_LAG_MS
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <numbers>
#include <vector>

namespace
{

const double dtmf[] = {697, 770, 852, 941, 1209, 1336, 1477, 1633};
const double silenceRms = 30; // of 32767; the tone plays at about 2900
// A sample this loud is the tone's: its two generators peak at about 4100
// together, and cross it several times in every cycle.
const int toneSample = 300;

struct Arrival {
    long long ns;      // when the recorder had...
    long long samples; // ...this many samples
};

// Amplitude (of full scale 32767) of one frequency over a stretch,
// Hann-weighted so that a neighbouring DTMF frequency does not leak in.
double Goertzel(const std::vector<short> &samples, size_t from, size_t count, double frequency, double rate)
{
    double coefficient = 2 * cos(2 * std::numbers::pi * frequency / rate), s1 = 0, s2 = 0, weights = 0;
    for (size_t i = 0; i < count; i++) {
        double weight = 0.5 - 0.5 * cos(2 * std::numbers::pi * i / count);
        double s0 = weight * samples[from + i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
        weights += weight;
    }
    double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2 * sqrt(power > 0 ? power : 0) / weights;
}

// The median of one frequency's amplitude over the stretch's 100 ms pieces.
// One piece at a time, so that a slip in the sound path (a few samples lost
// or repeated, which shifts the phase) cannot cancel the frequency out of
// the whole, and the median lets one damaged piece pass unnoticed.
double MedianAmplitude(const std::vector<short> &samples, size_t from, size_t count, double frequency, double rate)
{
    size_t piece = (size_t)(rate / 10);
    std::vector<double> amplitudes;
    for (size_t at = from; at + piece <= from + count; at += piece)
        amplitudes.push_back(Goertzel(samples, at, piece, frequency, rate));
    if (amplitudes.empty())
        return 0;
    std::sort(amplitudes.begin(), amplitudes.end());
    return amplitudes[amplitudes.size() / 2];
}

double Rms(const std::vector<short> &samples, size_t from, size_t count)
{
    double sum = 0;
    for (size_t i = from; i < from + count; i++)
        sum += (double)samples[i] * samples[i];
    return sqrt(sum / count);
}

std::vector<Arrival> ReadArrivals(const char *path)
{
    std::vector<Arrival> arrivals;
    FILE *file = fopen(path, "r");
    if (!file)
        return arrivals;
    long long ns, bytes;
    while (fscanf(file, "%lld %lld", &ns, &bytes) == 2)
        arrivals.push_back({ns, bytes / (long long)sizeof(short)});
    fclose(file);
    return arrivals;
}

// When the recorder had the sample at index, or -1 if it never did.
long long ArrivalOf(const std::vector<Arrival> &arrivals, size_t index)
{
    for (const Arrival &arrival : arrivals) {
        if (arrival.samples > (long long)index)
            return arrival.ns;
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 10) {
        fprintf(stderr, "usage: dtmf_check FILE TIMES RATE LOW_HZ HIGH_HZ MIN_TONE_MS KEY_UP_SENT_NS KEY_UP_DONE_NS "
                        "MAX_END_LAG_MS\n");
        return 2;
    }
    FILE *file = fopen(argv[1], "rb");
    if (!file) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::vector<short> samples;
    short buffer[4096];
    size_t got;
    while ((got = fread(buffer, sizeof(short), 4096, file)) > 0)
        samples.insert(samples.end(), buffer, buffer + got);
    fclose(file);
    std::vector<Arrival> arrivals = ReadArrivals(argv[2]);
    double rate = atof(argv[3]), low = atof(argv[4]), high = atof(argv[5]);
    double minToneMs = atof(argv[6]), maxEndLagMs = atof(argv[9]);
    long long keyUpSent = atoll(argv[7]), keyUpDone = atoll(argv[8]);
    size_t window = (size_t)(rate / 20); // 50 ms stretches

    // The tone: the stretches louder than silence, which must be one run.
    size_t first = 0, last = 0, loud = 0;
    for (size_t at = 0; at + window <= samples.size(); at += window) {
        if (Rms(samples, at, window) > silenceRms) {
            if (!loud++)
                first = at;
            last = at + window;
        }
    }
    printf("recorded %.2f s; sound from %.2f s to %.2f s\n", samples.size() / rate, first / rate, last / rate);
    if (!loud) {
        printf("FAIL: the recording is silent\n");
        return 1;
    }
    int failures = 0;
    if ((last - first) / window != loud) {
        printf("FAIL: the sound stops and starts again\n");
        failures++;
    }
    if ((last - first) * 1000.0 / rate < minToneMs) {
        printf("FAIL: the tone lasted %.0f ms, the key was held longer\n", (last - first) * 1000.0 / rate);
        failures++;
    }
    // Inside the tone, away from its edges.
    size_t from = first + window, count = last - first > 3 * window ? last - first - 2 * window : 0;
    if (count) {
        for (double frequency : dtmf) {
            double amplitude = MedianAmplitude(samples, from, count, frequency, rate);
            bool wanted = frequency == low || frequency == high;
            printf("%6.0f Hz: %7.1f%s\n", frequency, amplitude, wanted ? " (the key's)" : "");
            if (wanted ? amplitude < 1000 : amplitude > 100) {
                printf("FAIL: %.0f Hz is %s\n", frequency, wanted ? "missing" : "present");
                failures++;
            }
        }
    }
    // The tone's last loud sample, and when the recorder had it: never
    // before it was played, so an end may look late but never early.
    size_t end = last;
    while (end > first && abs(samples[end - 1]) < toneSample)
        end--;
    long long endedAt = ArrivalOf(arrivals, end - 1);
    if (endedAt < 0) {
        printf("FAIL: no arrival time for the tone's end\n");
        failures++;
    } else {
        double lagMs = (endedAt - keyUpDone) / 1e6, sinceSentMs = (endedAt - keyUpSent) / 1e6;
        printf("the tone ended at %.3f s, %.1f ms after the key-up (%.1f ms after it was sent)\n", end / rate, lagMs,
               sinceSentMs);
        if (lagMs > maxEndLagMs) {
            printf("FAIL: the tone ended %.1f ms after the key-up, more than %.0f ms\n", lagMs, maxEndLagMs);
            failures++;
        }
        if (sinceSentMs < -maxEndLagMs) {
            printf("FAIL: the tone ended %.1f ms before the key-up was sent\n", -sinceSentMs);
            failures++;
        }
    }
    if (samples.size() < last + 10 * window) {
        printf("FAIL: the recording ends before half a second of silence after the tone\n");
        failures++;
    }
    if (!failures)
        printf("the held key sounded %.0f and %.0f Hz only, ended with the key-up, then silence\n", low, high);
    return failures ? 1 : 0;
}
