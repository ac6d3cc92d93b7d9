#include <gtest/gtest.h>
#include <waveout_emulation.h>

#include <atomic>
#include <new>

#include "device/key_tones.h"
#include "support/test_support.h"

// Every heap allocation of the program's and the stand-ins' own code in this
// executable goes through here; Wine's own allocations do not. Counted on
// the two threads a key press runs on: the program's and the audio thread.
static std::atomic<long> allocations{0};
static std::atomic<DWORD> countedThreads[2];

void *operator new(size_t size)
{
    DWORD self = GetCurrentThreadId();
    if (self == countedThreads[0] || self == countedThreads[1])
        allocations++;
    if (void *block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1))
        return block;
    throw std::bad_alloc();
}
void operator delete(void *block) noexcept
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void *block, size_t) noexcept
{
    operator delete(block);
}

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
    countedThreads[0] = GetCurrentThreadId();
    countedThreads[1] = first.audioThreadId;
    long allocationsBefore = allocations;
    for (int i = 0; i < 20; i++)
        press((KeyCode)('0' + i % 10));
    EXPECT_EQ(allocationsBefore, allocations.load());
    countedThreads[0] = countedThreads[1] = 0;
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
