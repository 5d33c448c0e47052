#include "system/InstallStatus.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// The folder of the running test program, with a trailing backslash; the two
// stand-in libraries lie in its subfolders "ismif32\status\" and
// "ismif32\noexport\", where the loader does not look unless told to.
std::string TestProgramFolder()
{
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Chooses the folder in which the loader finds "ismif32.dll" and the folder in
// which the stand-in writes its status file.
class InstallStatusTest : public ::testing::Test {
protected:
    void UseLibraryFolder(const std::string& folder) { ASSERT_TRUE(::SetDllDirectoryA(folder.c_str())); }
    void UseStandIn(const char* kind) { UseLibraryFolder(TestProgramFolder() + "ismif32\\" + kind); }

    void SetUp() override { ::SetEnvironmentVariableA("ISMIF32_STATUS_DIR", status.Path().c_str()); }
    void TearDown() override
    {
        ::SetDllDirectoryA(nullptr);
        ::SetEnvironmentVariableA("ISMIF32_STATUS_DIR", nullptr);
    }

    static bool LibraryLoaded() { return ::GetModuleHandleA("ismif32.dll") != nullptr; }

    BOOL ReportSuccess(BOOL success)
    {
        return WriteInstallStatus("pelto", "", "Pelto", "1.0",
                                  success ? "Successful installation." : "Install failed.", success, "ENU",
                                  nullptr);
    }

    TempDir status;
    TempDir empty;
};

TEST_F(InstallStatusTest, MissingLibraryGivesFalse)
{
    UseLibraryFolder(empty.Path());
    EXPECT_FALSE(ReportSuccess(TRUE));
    EXPECT_FALSE(LibraryLoaded());
}

TEST_F(InstallStatusTest, LibraryWithoutTheExportIsLoadedReleasedAndGivesFalse)
{
    UseStandIn("noexport");
    EXPECT_FALSE(ReportSuccess(TRUE));
    EXPECT_FALSE(LibraryLoaded());
    EXPECT_EQ("attach\ndetach\n", ReadFileBytes(status / "noexport.trace"));
}

TEST_F(InstallStatusTest, ArgumentsArriveInTheLibrarysOrder)
{
    UseStandIn("status");
    EXPECT_TRUE(WriteInstallStatus("pelto", "Maker", "Pelto", "1.0", "Successful installation.", TRUE, "ENU",
                                   "SN-42"));
    EXPECT_FALSE(LibraryLoaded());
    EXPECT_EQ("mifName=pelto\r\nmanufacturer=Maker\r\nproduct=Pelto\r\nversion=1.0\r\nlocale=ENU\r\n"
              "serialNumber=SN-42\r\nstatusText=Successful installation.\r\nsuccess=1\r\n",
              ReadFileBytes(status / "pelto.mif"));
}

TEST_F(InstallStatusTest, FailedRunReportsItsTextFlagZeroAndNoSerialNumber)
{
    UseStandIn("status");
    EXPECT_TRUE(ReportSuccess(FALSE));
    EXPECT_EQ("mifName=pelto\r\nmanufacturer=\r\nproduct=Pelto\r\nversion=1.0\r\nlocale=ENU\r\n"
              "serialNumber=(null)\r\nstatusText=Install failed.\r\nsuccess=0\r\n",
              ReadFileBytes(status / "pelto.mif"));
}

TEST_F(InstallStatusTest, FalseFromTheLibraryIsPassedOn)
{
    UseStandIn("status");
    ::SetEnvironmentVariableA("ISMIF32_STATUS_DIR", (status / "missing").c_str());
    EXPECT_FALSE(ReportSuccess(TRUE));
    EXPECT_FALSE(LibraryLoaded());
}

} // namespace
