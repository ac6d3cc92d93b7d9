#include <gtest/gtest.h>
#include <tapi_emulation.h>

#include <string>

#include "settings/settings.h"
#include "support/test_support.h"

class OwnNumberTest : public ::testing::Test
{
  protected:
    void SetUp() override { DeleteDeviceEmulationKey(); }
    void TearDown() override
    {
        EXPECT_EQ(0u, TapiEmulationOpenInstances()) << "the telephony instance was not shut down";
        DeleteDeviceEmulationKey();
    }
    HRESULT Lookup(std::wstring *number, size_t capacity = NUMBER_CAPACITY, DWORD addressIndex = 1)
    {
        WCHAR out[NUMBER_CAPACITY] = L"untouched";
        HRESULT result = LookupOwnLineNumber(out, capacity, addressIndex);
        *number = out;
        return result;
    }
};

TEST_F(OwnNumberTest, ReadsTheFirstAddressOfTheCellularLine)
{
    SetEmulationString(L"LineNumber", L"+14155550100");
    std::wstring number;
    EXPECT_EQ(S_OK, Lookup(&number));
    EXPECT_EQ(L"+14155550100", number);
}

TEST_F(OwnNumberTest, FindsTheCellularLineAmongOtherLines)
{
    SetEmulationDWORD(L"LineDeviceCount", 3);
    SetEmulationString(L"LineNumber", L"5550100");
    std::wstring number;
    EXPECT_EQ(S_OK, Lookup(&number));
    EXPECT_EQ(L"5550100", number);
}

TEST_F(OwnNumberTest, NoDevicesLeavesTheBufferAlone)
{
    SetEmulationDWORD(L"LineDeviceCount", 0);
    std::wstring number;
    EXPECT_EQ(E_FAIL, Lookup(&number));
    EXPECT_EQ(L"untouched", number);
}

TEST_F(OwnNumberTest, LineNameMustMatchExactly)
{
    SetEmulationString(L"LineName", L"cellular line");
    SetEmulationString(L"LineNumber", L"5550100");
    std::wstring number;
    EXPECT_EQ(E_FAIL, Lookup(&number));
    EXPECT_EQ(L"untouched", number);
    SetEmulationString(L"LineName", L"Cellular Line 2");
    EXPECT_EQ(E_FAIL, Lookup(&number));
}

TEST_F(OwnNumberTest, CapabilityBufferGrowsForALongAddress)
{
    // The address alone needs more than the first 512 bytes.
    SetEmulationDWORD(L"LineDeviceCount", 2);
    SetEmulationString(L"LineNumber", std::wstring(200, L'5'));
    std::wstring number;
    EXPECT_EQ(S_OK, Lookup(&number));
    EXPECT_EQ(std::wstring(79, L'5'), number) << "cut to the caller's capacity";
}

TEST_F(OwnNumberTest, EmptyAddressFailsWithAnEmptyBuffer)
{
    std::wstring number;
    EXPECT_EQ(E_FAIL, Lookup(&number));
    EXPECT_EQ(L"", number);
}

TEST_F(OwnNumberTest, AnAddressTheLineDoesNotHaveFails)
{
    SetEmulationString(L"LineNumber", L"5550100");
    std::wstring number;
    EXPECT_EQ(E_FAIL, Lookup(&number, NUMBER_CAPACITY, 2));
    EXPECT_EQ(L"untouched", number);
}
