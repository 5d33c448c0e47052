#include "system/Registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kTestKey = "Software\\PeltoTests\\Registry";

// Raw access to the test key, independent of the classes under test.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

    static void Put(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                   nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        ::RegCloseKey(key);
    }
    static void PutString(const char* name, const std::string& text, DWORD type = REG_SZ)
    {
        Put(name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    static void PutNumber(const char* name, DWORD number) { Put(name, REG_DWORD, &number, sizeof number); }

    static bool KeyExists()
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(key);
        return true;
    }
    // Type and raw bytes of a value; type REG_NONE with no bytes when absent.
    static std::pair<DWORD, std::string> Get(const char* name)
    {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (::RegGetValueA(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            return {REG_NONE, {}};
        std::string bytes(size, '\0');
        ::RegGetValueA(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, bytes.data(), &size);
        bytes.resize(size);
        return {type, bytes};
    }
};

TEST_F(RegistryTest, CloseWithoutKeyIsTrueAndMakesNoCall)
{
    CRegistryKey key;
    key.lastResult = 12345;
    EXPECT_TRUE(key.Close());
    EXPECT_EQ(12345, key.lastResult);
}

TEST_F(RegistryTest, ReadStringRefusesOtherTypesWithDataTypeError)
{
    PutString("Expand", "%WINDIR%", REG_EXPAND_SZ);
    PutNumber("Number", 7);
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kTestKey, KEY_READ));
    std::string text = "kept";
    EXPECT_FALSE(key.ReadString("Expand", text));
    EXPECT_EQ(ERROR_INVALID_DATATYPE, key.lastResult);
    EXPECT_FALSE(key.ReadString("Number", text));
    EXPECT_EQ(ERROR_INVALID_DATATYPE, key.lastResult);
    EXPECT_FALSE(key.ReadString("Missing", text));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.lastResult);
    EXPECT_EQ("kept", text);
}

TEST_F(RegistryTest, ReadStringStopsAtTerminatorAndCopesWithoutOne)
{
    Put("Inner", REG_SZ, "ab\0cd", 6);
    Put("Unterminated", REG_SZ, "xyz", 3);
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kTestKey, KEY_READ));
    std::string text;
    EXPECT_TRUE(key.ReadString("Inner", text));
    EXPECT_EQ("ab", text);
    EXPECT_TRUE(key.ReadString("Unterminated", text));
    EXPECT_EQ("xyz", text);
    EXPECT_EQ(ERROR_SUCCESS, key.lastResult);
}

TEST_F(RegistryTest, ReadNumberRefusesStringsAndLongValues)
{
    PutString("Text", "4");
    const unsigned long long wide = 5;
    Put("Wide", REG_QWORD, &wide, sizeof wide);
    PutNumber("Number", 0xDEADBEEF);
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kTestKey, KEY_READ));
    DWORD number = 99;
    EXPECT_FALSE(key.ReadNumber("Text", number));
    EXPECT_EQ(ERROR_INVALID_DATATYPE, key.lastResult);
    EXPECT_FALSE(key.ReadNumber("Wide", number));
    EXPECT_EQ(ERROR_MORE_DATA, key.lastResult);
    EXPECT_EQ(99u, number);
    EXPECT_TRUE(key.ReadNumber("Number", number));
    EXPECT_EQ(0xDEADBEEFu, number);
}

TEST_F(RegistryTest, WriteStringStoresTheTerminator)
{
    CRegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kTestKey, nullptr, KEY_ALL_ACCESS));
    EXPECT_TRUE(key.WriteString("Empty", ""));
    EXPECT_TRUE(key.WriteString("Text", "abc"));
    EXPECT_TRUE(key.WriteNumber("Number", 3));
    EXPECT_EQ(std::make_pair(DWORD(REG_SZ), std::string(1, '\0')), Get("Empty"));
    EXPECT_EQ(std::make_pair(DWORD(REG_SZ), std::string("abc", 4)), Get("Text"));
    EXPECT_EQ(std::make_pair(DWORD(REG_DWORD), std::string("\3\0\0\0", 4)), Get("Number"));
}

// The bound classes: load, save and save on destruction.
class RegistryValueTest : public RegistryTest {};

TEST_F(RegistryValueTest, AutoSaveCreatesTheKeyOnlyAfterSetText)
{
    { CRegistryString value(HKEY_CURRENT_USER, kTestKey, "DisplayName", nullptr, TRUE, TRUE); }
    EXPECT_FALSE(KeyExists());
    {
        CRegistryString value(HKEY_CURRENT_USER, kTestKey, "DisplayName", nullptr, TRUE, TRUE);
        value.SetText("Pelto");
    }
    EXPECT_EQ(std::make_pair(DWORD(REG_SZ), std::string("Pelto", 6)), Get("DisplayName"));
}

TEST_F(RegistryValueTest, WithoutAutoSaveNothingIsWritten)
{
    {
        CRegistryString value(HKEY_CURRENT_USER, kTestKey, "DisplayName", nullptr, TRUE, FALSE);
        value.SetText("Pelto");
    }
    EXPECT_FALSE(KeyExists());
}

TEST_F(RegistryValueTest, DefaultIsKeptWhenValueIsMissingOrOfAnotherType)
{
    PutNumber("Number", 4);
    CRegistryString missing(HKEY_CURRENT_USER, kTestKey, "Missing", "fallback", TRUE, FALSE);
    EXPECT_STREQ("fallback", missing.GetText());
    EXPECT_FALSE(missing.IsChanged());
    CRegistryString wrong(HKEY_CURRENT_USER, kTestKey, "Number", "fallback", TRUE, FALSE);
    EXPECT_STREQ("fallback", wrong.GetText());
    EXPECT_EQ(ERROR_INVALID_DATATYPE, wrong.lastResult);
    EXPECT_FALSE(wrong.Load(nullptr));
    EXPECT_STREQ("", wrong.GetText());
}

TEST_F(RegistryValueTest, WithoutReadNowTheDefaultIsNeverStored)
{
    PutString("Name", "old");
    {
        CRegistryString value(HKEY_CURRENT_USER, kTestKey, "Name", "default", FALSE, TRUE);
        EXPECT_STREQ("", value.GetText());
    }
    EXPECT_EQ(std::string("old", 4), Get("Name").second);
    {
        CRegistryString value(HKEY_CURRENT_USER, kTestKey, "Name", "default", FALSE, TRUE);
        value.SetText("set");
        EXPECT_TRUE(value.Save());
        EXPECT_FALSE(value.IsChanged());
    }
    EXPECT_EQ(std::string("set", 4), Get("Name").second);
}

TEST_F(RegistryValueTest, SaveWritesThroughTheKeyOpenedByLoad)
{
    PutString("Other", "x");
    CRegistryString value(HKEY_CURRENT_USER, kTestKey, "Name", nullptr, TRUE, FALSE);
    ASSERT_TRUE(value.IsOpen());
    const HKEY opened = value.GetKey();
    value.SetText("new");
    EXPECT_TRUE(value.Save());
    EXPECT_EQ(opened, value.GetKey());
    EXPECT_EQ(std::string("new", 4), Get("Name").second);
}

TEST_F(RegistryValueTest, FailedSaveLeavesTheValueChanged)
{
    const HKEY bogusRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7654321));
    CRegistryString value(bogusRoot, "Anything", "Name", nullptr, TRUE, TRUE);
    value.SetText("lost");
    EXPECT_FALSE(value.Save());
    EXPECT_NE(ERROR_SUCCESS, value.lastResult);
    EXPECT_TRUE(value.IsChanged());
}

// A derived class that sets the number, as the shared counts do.
class CTestNumber : public CRegistryNumber {
public:
    using CRegistryNumber::CRegistryNumber;
    void Set(DWORD number)
    {
        m_dwNumber = number;
        m_bChanged = TRUE;
    }
};

TEST_F(RegistryValueTest, NumberLoadsSavesAndAutoSaves)
{
    PutNumber("Count", 41);
    {
        CTestNumber number(HKEY_CURRENT_USER, kTestKey, "Count", 7, TRUE, TRUE);
        EXPECT_EQ(41u, number.GetNumber());
        number.Set(42);
    }
    EXPECT_EQ(std::make_pair(DWORD(REG_DWORD), std::string("\x2a\0\0\0", 4)), Get("Count"));
    {
        CTestNumber number(HKEY_CURRENT_USER, kTestKey, "Missing", 7, TRUE, TRUE);
        EXPECT_EQ(7u, number.GetNumber());
    }
    EXPECT_EQ(DWORD(REG_NONE), Get("Missing").first);
    PutString("Text", "5");
    CTestNumber text(HKEY_CURRENT_USER, kTestKey, "Text", 7, TRUE, FALSE);
    EXPECT_EQ(7u, text.GetNumber());
    EXPECT_EQ(ERROR_INVALID_DATATYPE, text.lastResult);
}

} // namespace
