#include <gtest/gtest.h>
#include <waveout_emulation.h>

#include "device/key_tones.h"
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

TEST_F(KeyTonesTest, WithoutASoundDeviceTheProgramStaysSilent)
{
    DeleteDeviceEmulationKey();
    PlayKeyTone('5');
    if (app.toneDevice)
        GTEST_SKIP() << "this machine has a sound device";
    EXPECT_EQ(0u, WaveOutEmulationOpenDevices());
    StopKeyTone();
}
