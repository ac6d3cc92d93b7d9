#include <gtest/gtest.h>
#include <waveout_emulation.h>

#include "device/key_tones.h"
#include "support/counters.h"
#include "support/test_support.h"

class KeyTonesTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ResetAppState();
        SetEmulationDWORD(L"SilentWaveOut", 1);
    }
    void TearDown() override
    {
        StopKeyTone();
        EXPECT_EQ(0u, WaveOutEmulationOpenDevices());
        DeleteDeviceEmulationKey();
    }
};

TEST_F(KeyTonesTest, EventsStartBothGeneratorsHighFirstForTenSeconds)
{
    const struct {
        KeyCode key;
        DWORD high, low;
    } keys[] = {{'5', 0x207F0538, 0x207F0302}, {'#', 0x207F05C5, 0x207F03AD}, {'*', 0x207F04B9, 0x207F03AD}};
    for (const auto &key : keys) {
        PlayKeyTone(key.key);
        ASSERT_TRUE(app.toneDevice != NULL);
        EXPECT_EQ(0u, app.toneEvents[0].dwDeltaTicks);
        EXPECT_EQ(key.high, app.toneEvents[0].dwMidiMsg);
        EXPECT_EQ(0u, app.toneEvents[1].dwDeltaTicks);
        EXPECT_EQ(key.low, app.toneEvents[1].dwMidiMsg);
        EXPECT_EQ(10u, app.toneEvents[2].dwDeltaTicks);
        EXPECT_EQ(0u, app.toneEvents[2].dwMidiMsg);
        EXPECT_EQ((LPSTR)app.toneEvents, app.toneHeader.lpData);
        EXPECT_EQ(24u, app.toneHeader.dwBufferLength);
        EXPECT_TRUE(app.toneHeader.dwFlags & WHDR_PREPARED);
        StopKeyTone();
    }
}

TEST_F(KeyTonesTest, KeysWithoutAToneLeaveTheDeviceClosed)
{
    for (KeyCode key : {(KeyCode)1, (KeyCode)8, (KeyCode)13, (KeyCode)'+', (KeyCode)0}) {
        PlayKeyTone(key);
        EXPECT_TRUE(app.toneDevice == NULL) << key;
    }
    EXPECT_EQ(0u, WaveOutEmulationOpenDevices());
}

TEST_F(KeyTonesTest, PressReleasePressReopensAndRepeatsKeepOneDevice)
{
    PlayKeyTone('1');
    HWAVEOUT first = app.toneDevice;
    PlayKeyTone('1');
    PlayKeyTone('9');
    EXPECT_EQ(first, app.toneDevice) << "a repeat only resubmits";
    EXPECT_EQ(1u, WaveOutEmulationOpenDevices());
    EXPECT_EQ(0x207F04B9u, app.toneEvents[0].dwMidiMsg) << "the sounding key's events stay";
    StopKeyTone();
    EXPECT_TRUE(app.toneDevice == NULL);
    EXPECT_FALSE(app.toneHeader.dwFlags & WHDR_PREPARED);
    StopKeyTone();
    EXPECT_TRUE(app.toneDevice == NULL);
    PlayKeyTone('2');
    EXPECT_TRUE(app.toneDevice != NULL);
    EXPECT_TRUE(app.toneHeader.dwFlags & WHDR_PREPARED);
}

TEST_F(KeyTonesTest, PressesAllocateNothingAndStartNoThread)
{
    auto tones = [] {
        WAVEOUT_EMULATION_RECORD record;
        WaveOutEmulationGetRecord(&record);
        return record;
    };
    auto press = [&](KeyCode key) {
        DWORD before = tones().tonesStarted;
        PlayKeyTone(key);
        for (int waited = 0; waited < 5000 && tones().tonesStarted == before; waited++)
            Sleep(1);
        Sleep(20); // a few blocks rendered while the key is held
        PlayKeyTone(key); // the hardware key's repeat
        StopKeyTone();
    };
    press('5'); // the first open starts the audio thread
    WAVEOUT_EMULATION_RECORD first = tones();
    ASSERT_NE(0u, first.audioThreadId);
    // Heap calls of the program's and the stand-ins' own code (the C++
    // runtime's operator new is malloc), on the two threads a press runs on.
    StartCounting();
    CountOnlyOnThreads(GetCurrentThreadId(), first.audioThreadId);
    ResetCounts();
    for (int i = 0; i < 20; i++)
        press((KeyCode)('0' + i % 10));
    long allocated = ReadCounts().ownAllocations;
    // The count sees an allocation where there is one.
    void *volatile block = malloc(64);
    free(block);
    long control = ReadCounts().ownAllocations - allocated;
    CountOnlyOnThreads(0, 0);
    EXPECT_EQ(0, allocated);
    EXPECT_EQ(1, control);
    WAVEOUT_EMULATION_RECORD after = tones();
    EXPECT_EQ(first.threadsStarted, after.threadsStarted);
    EXPECT_EQ(1u, after.threadsStarted);
    EXPECT_EQ(first.tonesStarted + 20, after.tonesStarted) << "each press sounded";
}

TEST_F(KeyTonesTest, WithoutASoundDeviceTheProgramStaysSilent)
{
    DeleteDeviceEmulationKey();
    PlayKeyTone('5');
    if (app.toneDevice)
        GTEST_SKIP() << "this machine has a sound device";
    EXPECT_EQ(0u, WaveOutEmulationOpenDevices());
    StopKeyTone();
}
