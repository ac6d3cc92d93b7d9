// The desktop's stand-in for the device's tone generators: the tones it
// renders, and the wave output states it goes through without a sound card.
#include <gtest/gtest.h>
#include <waveout_emulation.h>

#include <math.h>

#include <algorithm>
#include <numbers>
#include <vector>

#define EMULATION_KEY L"Software\\DeviceEmulation"
#define RATE WAVEOUT_EMULATION_SAMPLE_RATE
#define EXPECT_MM(expected, call) EXPECT_EQ((MMRESULT)(expected), (call))
#define ASSERT_MM(expected, call) ASSERT_EQ((MMRESULT)(expected), (call))

namespace
{

// Key '5': both generators on at once, the buffer lasting ten ticks.
const WAVEFORMAT_MIDI_MESSAGE keyFive[] = {{0, 0x207F0538}, {0, 0x207F0302}, {10, 0}};

std::vector<short> Synthesize(const WAVEFORMAT_MIDI_MESSAGE *events, size_t count, WORD volume, DWORD usec = 1000000,
                              DWORD ticks = 1, DWORD rate = RATE)
{
    std::vector<short> samples;
    SynthesizeMidiStream((const BYTE *)events, (DWORD)(count * sizeof(*events)), usec, ticks, volume, rate, &samples);
    return samples;
}

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

WAVEFORMAT_MIDI MidiFormat(DWORD usecPerTick)
{
    WAVEFORMAT_MIDI format = {};
    format.wfx.wFormatTag = WAVE_FORMAT_MIDI;
    format.wfx.nChannels = 1;
    format.wfx.nBlockAlign = sizeof(WAVEFORMAT_MIDI_MESSAGE);
    format.wfx.cbSize = sizeof(WAVEFORMAT_MIDI) - sizeof(WAVEFORMATEX);
    format.USecPerQuarterNote = usecPerTick;
    format.TicksPerQuarterNote = 1;
    return format;
}

class WaveOut : public ::testing::Test
{
  protected:
    void TearDown() override { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut"); }
};

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
    const WAVEFORMAT_MIDI_MESSAGE halfGenerators[] = {{0, 0x203F0538}, {0, 0x203F0302}, {10, 0}};
    EXPECT_NEAR(63 / 127.0, Rms(Synthesize(halfGenerators, 3, 0xFFFF)) / loud, 0.01);
    EXPECT_EQ(0, Rms(Synthesize(keyFive, 3, 0)));
}

TEST(ToneSynthesis, LengthAndEventTimesFollowTheTempo)
{
    EXPECT_EQ(10u * RATE, Synthesize(keyFive, 3, 0x2000).size());
    EXPECT_EQ(80000u, Synthesize(keyFive, 3, 0x2000, 1000000, 1, 8000).size());
    EXPECT_EQ(RATE * 10u / 4, Synthesize(keyFive, 3, 0x2000, 500000, 2).size()) << "a quarter second per tick";

    // 770 Hz alone from 1 s, joined at 2 s by 1336 Hz, both off at 3 s.
    const WAVEFORMAT_MIDI_MESSAGE steps[] = {
        {1, 0x207F0302}, {1, 0x207F0538}, {1, 0x217F0302}, {0, 0x217F0538}, {1, 0}};
    std::vector<short> samples = Synthesize(steps, 5, 0xFFFF);
    ASSERT_EQ(4u * RATE, samples.size());
    EXPECT_EQ(0, Rms(samples, 0));
    EXPECT_GT(Goertzel(samples, 770, RATE), 1e6);
    EXPECT_LT(Goertzel(samples, 1336, RATE), 1e3);
    EXPECT_GT(Goertzel(samples, 1336, 2 * RATE), 1e6);
    EXPECT_EQ(0, Rms(samples, 3 * RATE));
}

TEST_F(WaveOut, SilentDeviceGoesThroughEveryStateAndRefusesOthers)
{
    DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut", REG_DWORD, &one, 4));
    DWORD openBefore = WaveOutEmulationOpenDevices();
    WAVEFORMAT_MIDI format = MidiFormat(1000000);
    HWAVEOUT device = NULL;
    ASSERT_MM(MMSYSERR_NOERROR, waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0));
    EXPECT_TRUE(WaveOutEmulationIsSilent(device));
    EXPECT_EQ(openBefore + 1, WaveOutEmulationOpenDevices());
    EXPECT_MM(MMSYSERR_NOERROR, waveOutSetVolume(device, 0x00002000));

    WAVEHDR header = {};
    header.lpData = (LPSTR)keyFive;
    header.dwBufferLength = sizeof(keyFive);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutPrepareHeader(device, &header, sizeof(header)));
    EXPECT_EQ((DWORD)WHDR_PREPARED, header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutWrite(device, &header, sizeof(header)));
    EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_INQUEUE), header.dwFlags);
    std::vector<short> played;
    ASSERT_TRUE(WaveOutEmulationLastBuffer(device, &played));
    EXPECT_EQ(Synthesize(keyFive, 3, 0x2000), played) << "ten seconds at the set volume";

    EXPECT_MM(WAVERR_STILLPLAYING, waveOutWrite(device, &header, sizeof(header)));
    EXPECT_MM(WAVERR_STILLPLAYING, waveOutUnprepareHeader(device, &header, sizeof(header)));
    EXPECT_MM(WAVERR_STILLPLAYING, waveOutClose(device));
    EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_INQUEUE), header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutReset(device));
    EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_DONE), header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutUnprepareHeader(device, &header, sizeof(header)));
    EXPECT_EQ((DWORD)WHDR_DONE, header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));
    EXPECT_EQ(openBefore, WaveOutEmulationOpenDevices());
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutWrite(device, &header, sizeof(header)));

    // Opened again at a tenth of a second per tick, the buffer runs out and
    // is done by itself.
    format = MidiFormat(100000);
    ASSERT_MM(MMSYSERR_NOERROR, waveOutOpen(&device, WAVE_MAPPER, (WAVEFORMATEX *)&format, 0, 0, 0));
    header.dwFlags = 0;
    EXPECT_MM(MMSYSERR_NOERROR, waveOutPrepareHeader(device, &header, sizeof(header)));
    EXPECT_MM(MMSYSERR_NOERROR, waveOutWrite(device, &header, sizeof(header)));
    for (int waited = 0; waited < 10000 && !(header.dwFlags & WHDR_DONE); waited += 10)
        Sleep(10);
    EXPECT_EQ((DWORD)(WHDR_PREPARED | WHDR_DONE), header.dwFlags);
    EXPECT_MM(MMSYSERR_NOERROR, waveOutUnprepareHeader(device, &header, sizeof(header)));
    EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));

    WAVEFORMATEX pcm = {WAVE_FORMAT_PCM, 1, RATE, RATE * 2, 2, 16, 0};
    EXPECT_MM(WAVERR_BADFORMAT, waveOutOpen(&device, 0, &pcm, 0, 0, 0));
    EXPECT_MM(MMSYSERR_BADDEVICEID, waveOutOpen(&device, 3, (WAVEFORMATEX *)&format, 0, 0, 0));
    HWAVEOUT bogus = (HWAVEOUT)(ULONG_PTR)0x1234;
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutSetVolume(bogus, 0x2000));
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutPrepareHeader(bogus, &header, sizeof(header)));
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutReset(bogus));
    EXPECT_MM(MMSYSERR_INVALHANDLE, waveOutClose(bogus));
    EXPECT_EQ(openBefore, WaveOutEmulationOpenDevices());

    // Without the setting only a desktop output opens; CI has none.
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, EMULATION_KEY, L"SilentWaveOut");
    if (waveOutOpen(&device, 0, (WAVEFORMATEX *)&format, 0, 0, 0) == MMSYSERR_NOERROR) {
        EXPECT_FALSE(WaveOutEmulationIsSilent(device));
        EXPECT_MM(MMSYSERR_NOERROR, waveOutClose(device));
    }
    EXPECT_EQ(openBefore, WaveOutEmulationOpenDevices());
}
