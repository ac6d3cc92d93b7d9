// The synthesiser behind the device's wave output: the tones it renders.
#include <gtest/gtest.h>

#include <math.h>

#include <algorithm>
#include <numbers>
#include <vector>

#include "platform/tone_synthesizer.h"
#include "support/tone_support.h"

#define RATE TONE_TEST_RATE

namespace
{

// Power of one frequency in one second of samples from the given one.
double Goertzel(const std::vector<short> &samples, double frequency, size_t from)
{
    double coefficient = 2 * cos(2 * std::numbers::pi * frequency / RATE), s1 = 0, s2 = 0;
    for (size_t i = from; i < from + RATE; i++) {
        double s0 = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / ((double)RATE * RATE);
}

double Rms(const std::vector<short> &samples, size_t from = 0)
{
    double sum = 0;
    for (size_t i = from; i < from + RATE; i++)
        sum += (double)samples[i] * samples[i];
    return sqrt(sum / RATE);
}

} // namespace

TEST(ToneSynthesis, KeyFiveSoundsOnlyItsTwoFrequencies)
{
    std::vector<short> samples = Synthesize(keyFive, 3, 0x2000);
    double low = Goertzel(samples, 770, RATE / 2), high = Goertzel(samples, 1336, RATE / 2);
    double expected = pow(0x2000 / 65535.0 * 32767 / 2 / 2, 2);
    EXPECT_NEAR(expected, low, expected * 0.05);
    EXPECT_NEAR(expected, high, expected * 0.05);
    for (double other : {697.0, 852.0, 941.0, 1209.0, 1477.0, 500.0, 2000.0})
        EXPECT_LT(Goertzel(samples, other, RATE / 2), 0.01 * std::min(low, high)) << other << " Hz";
}

TEST(ToneSynthesis, VolumeScalesTheAmplitude)
{
    double quiet = Rms(Synthesize(keyFive, 3, 0x2000)), loud = Rms(Synthesize(keyFive, 3, 0xFFFF));
    EXPECT_NEAR(65535.0 / 0x2000, loud / quiet, 0.05);
    EXPECT_NEAR(32767 / 2.0, loud, 200) << "both generators together reach full scale";
    const ToneEvent halfGenerators[] = {{0, 0x203F0538}, {0, 0x203F0302}, {10, 0}};
    EXPECT_NEAR(63 / 127.0, Rms(Synthesize(halfGenerators, 3, 0xFFFF)) / loud, 0.01);
    EXPECT_EQ(0, Rms(Synthesize(keyFive, 3, 0)));
}

TEST(ToneSynthesis, LengthAndEventTimesFollowTheTempo)
{
    EXPECT_EQ(10u * RATE, Synthesize(keyFive, 3, 0x2000).size());
    EXPECT_EQ(80000u, Synthesize(keyFive, 3, 0x2000, 1000000, 1, 8000).size());
    EXPECT_EQ(RATE * 10u / 4, Synthesize(keyFive, 3, 0x2000, 500000, 2).size()) << "a quarter second per tick";

    // 770 Hz alone from 1 s, joined at 2 s by 1336 Hz, both off at 3 s.
    const ToneEvent steps[] = {
        {1, 0x207F0302}, {1, 0x207F0538}, {1, 0x307F0302}, {0, 0x307F0538}, {1, 0}};
    std::vector<short> samples = Synthesize(steps, 5, 0xFFFF);
    ASSERT_EQ(4u * RATE, samples.size());
    EXPECT_EQ(0, Rms(samples, 0));
    EXPECT_GT(Goertzel(samples, 770, RATE), 1e6);
    EXPECT_LT(Goertzel(samples, 1336, RATE), 1e3);
    EXPECT_GT(Goertzel(samples, 1336, 2 * RATE), 1e6);
    EXPECT_EQ(0, Rms(samples, 3 * RATE));
}
