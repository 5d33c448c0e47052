#include "install/SharedDllCount.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kFile = "C:\\WINDOWS\\SYSTEM\\PELTOTST.DLL";

class SharedDllCountTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, CSharedDllCount::kSharedDllsKey, kFile); }
    void TearDown() override { SetUp(); }

    static void Put(DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, CSharedDllCount::kSharedDllsKey, kFile,
                                                   type, data, size));
    }
    static void PutCount(DWORD count) { Put(REG_DWORD, &count, sizeof count); }
    // The stored count; -1 when there is no value, -2 when it is not a REG_DWORD.
    static long long Stored()
    {
        DWORD type = REG_NONE;
        DWORD count = 0;
        DWORD size = sizeof count;
        const LONG result = ::RegGetValueA(HKEY_LOCAL_MACHINE, CSharedDllCount::kSharedDllsKey, kFile,
                                           RRF_RT_ANY, &type, &count, &size);
        if (result == ERROR_FILE_NOT_FOUND)
            return -1;
        if (result != ERROR_SUCCESS || type != REG_DWORD)
            return -2;
        return count;
    }
    static void Increment() { CSharedDllCount(kFile).Increment(); }
    static void Decrement() { CSharedDllCount(kFile).Decrement(); }
};

TEST_F(SharedDllCountTest, FirstInstallationCountsOneEvenWithoutTheKey)
{
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, CSharedDllCount::kSharedDllsKey);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, CSharedDllCount::kSharedDllsKey);
    Increment();
    EXPECT_EQ(1, Stored());
}

TEST_F(SharedDllCountTest, InstallingAgainRaisesTheCount)
{
    PutCount(3);
    Increment();
    EXPECT_EQ(4, Stored());
}

TEST_F(SharedDllCountTest, RemovalLowersAndDeletesAtZero)
{
    PutCount(4);
    Decrement();
    EXPECT_EQ(3, Stored());
    PutCount(1);
    Decrement();
    EXPECT_EQ(-1, Stored());
}

TEST_F(SharedDllCountTest, RemovalWithoutValueCreatesNothing)
{
    Decrement();
    EXPECT_EQ(-1, Stored());
    { CSharedDllCount count(kFile); }
    EXPECT_EQ(-1, Stored());
}

TEST_F(SharedDllCountTest, ValueOfAnotherTypeIsReplacedByACount)
{
    const unsigned char bytes[] = {9, 9, 9, 9, 9, 9};
    Put(REG_BINARY, bytes, sizeof bytes);
    Increment();
    EXPECT_EQ(1, Stored());
    Put(REG_SZ, "3", 2);
    Increment();
    EXPECT_EQ(1, Stored());
}

TEST_F(SharedDllCountTest, CountDoesNotWrapRound)
{
    PutCount(0xFFFFFFFF);
    Increment();
    EXPECT_EQ(0xFFFFFFFFLL, Stored());
}

} // namespace
