// Finding the files of a diskette: the sibling directories of a diskette set
// copied to disk, and the diskette prompt, the wizard's answer to the copy
// step's LocateSourceFile, run on a thread of its own while the test drives
// it through the window system.
#include "engine/CopyStep.h"
#include "engine/RunState.h"
#include "fw/Exception.h"
#include "fw/Strings.h"
#include "fw/SystemLibrary.h"
#include "res/resource.h"
#include "support/TempDir.h"
#include "support/UiProbe.h"
#include "system/Location.h"
#include "wizard/DiskettePromptDlg.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace ui_probe;

TEST(SiblingDisketteDirectoryTest, RenumbersADirectoryEndingInTwoDigits)
{
    struct Case {
        const char* path;
        int disk;
        const char* sibling;  // null: none
    };
    const Case cases[] = {
        {"C:\\SETUP\\DISK01\\PELTO.Z2", 2, "C:\\SETUP\\DISK02\\PELTO.Z2"},
        {"C:\\SET\\D01\\", 12, "C:\\SET\\D12\\"},
        {"A:\\PELTO.Z2", 2, nullptr},          // the root
        {"C:\\X9\\PELTO.Z2", 2, nullptr},       // "X9" is no number
        {"C:\\DISK7\\PELTO.Z2", 2, nullptr},    // nor is "K7"
        {"C:\\DISK00\\PELTO.Z2", 2, nullptr},   // diskette 0 is none
    };
    for (const Case& c : cases) {
        CPathName sibling("unchanged");
        const BOOL found = SiblingDisketteDirectory(CPathName(c.path), c.disk, sibling);
        EXPECT_EQ(c.sibling != nullptr, found != FALSE) << c.path;
        EXPECT_EQ(c.sibling ? c.sibling : "unchanged", sibling.GetPath()) << c.path;
    }
}

// A host that answers only where a file is, by the wizard's prompt.
class CPromptHost : public IInstallHost {
public:
    explicit CPromptHost(const CRunState& run) noexcept : m_run(run) {}
    BOOL LocateDisketteFile(const CPathName& missingFile, int disk, std::string& location) override
    {
        return AskForDiskette(missingFile, disk, m_run.m_diskettes.GetLabel(disk), location);
    }
    void ItemBegun(const std::string&) override {}
    void FileBegun(const CInstallFile&) override {}
    BOOL FileProgress(const CInstallFile&, std::uint32_t) override { return TRUE; }
    void FileEnded() noexcept override {}
    BOOL LetMessagesThrough(BOOL) override { return TRUE; }
    BOOL ContinueAfterError(const CException&, const std::string&) override { return FALSE; }

private:
    const CRunState& m_run;
};

// A run with an empty model, the source directory given.
class LocateSourceFileTest : public ::testing::Test {
protected:
    void SetUp() override { SetSourceDirectory(m_dir.Path()); }
    // The folder browser enters directories; leave them so that the test folder can go.
    void TearDown() override
    {
        char windows[MAX_PATH] = {};
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        ::SetCurrentDirectoryA(windows);
    }

    void SetSourceDirectory(const std::string& dir) { m_run.m_sourceDir = CPathName(dir); }
    std::string SourceDirectory() const { return m_run.m_sourceDir.GetPath(); }
    std::string Folder(const std::string& name) const { return m_dir / name; }
    void MakeFile(const std::string& path) const
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFileBytes(path, "mflh");
    }

    TempDir m_dir;
    CRunState m_run;
    CPromptHost m_host{m_run};
    CCopyStep m_step{m_run, m_host};
};

// LocateSourceFile on its own thread, with the prompt it may open there.
class LocateRun {
public:
    LocateRun(CCopyStep& step, const std::string& name, int disk)
    {
        // The folder browser's library is loaded on this thread first, as in
        // FolderDialogTest: the program loads it on its only thread.
        SystemLibraryFunction("comdlg32.dll", "GetOpenFileNameA");
        m_thread = std::thread([this, &step, name, disk] {
            m_threadId = ::GetCurrentThreadId();
            m_result = step.LocateSourceFile(name, disk);
            m_done = true;
        });
    }
    // Whatever is still open is cancelled, the folder browser first, so the thread ends.
    ~LocateRun()
    {
        WaitUntil([this] {
            if (HWND folders = FindDialogWith(lst2))
                ClickButton(folders, IDCANCEL);
            else if (HWND prompt = FindPrompt())
                ClickButton(prompt, IDCANCEL);
            return m_done.load();
        });
        m_thread.join();
    }

    // The prompt, or null after the timeout.
    HWND WaitForPrompt() const
    {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindPrompt()) != nullptr; });
        return found;
    }
    // The folder browser that Browse opened, or null after the timeout.
    HWND WaitForFolderDialog() const
    {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindDialogWith(lst2)) != nullptr; });
        return found;
    }
    bool IsDone() const { return m_done.load(); }
    // Waits for LocateSourceFile to return; its answer.
    bool Finish(BOOL& result) const
    {
        if (!WaitUntil([this] { return m_done.load(); }))
            return false;
        result = m_result;
        return true;
    }

private:
    HWND FindDialogWith(int id) const
    {
        for (HWND window : ThreadDialogs(m_threadId))
            if (::GetDlgItem(window, id))
                return window;
        return nullptr;
    }
    HWND FindPrompt() const { return FindDialogWith(IDC_PROMPT_REQUEST); }

    std::thread m_thread;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_done{false};
    BOOL m_result = FALSE;
};

// OK as the button sends it, handled before this returns: a refusal is seen at once.
void PressOk(HWND prompt)
{
    ASSERT_TRUE(IsControlEnabled(prompt, IDOK));
    ::SendMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(prompt, IDOK)));
}

void SetLocation(HWND prompt, const std::string& text)
{
    ::SendMessageA(::GetDlgItem(prompt, IDC_LOCATION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Explanation(const std::string& missingFile)
{
    return StringFormat(AfxLoadString(IDS_DISKETTE_FILE_MISSING).c_str(), missingFile.c_str());
}

// The control's text needs no more height than the control has.
void ExpectWholeTextShown(HWND prompt, int id)
{
    HWND control = ::GetDlgItem(prompt, id);
    const RECT place = ControlRect(prompt, id);
    RECT needed{0, 0, place.right - place.left, 0};
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    ::DrawTextA(dc, WindowText(control).c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    EXPECT_LE(needed.bottom, place.bottom - place.top) << id;
}

TEST_F(LocateSourceFileTest, SiblingDirectoryOfACopiedSetBecomesTheSourceDirectory)
{
    MakeFile(Folder("SET\\DISK02\\PELTO.Z2"));
    SetSourceDirectory(Folder("SET\\DISK01\\"));
    LocateRun run(m_step, "PELTO.Z2", 2);
    BOOL result = FALSE;
    ASSERT_TRUE(run.Finish(result));
    EXPECT_TRUE(result);
    EXPECT_EQ(Folder("SET\\DISK02\\"), SourceDirectory());
}

TEST_F(LocateSourceFileTest, NameThatMakesThePathTooLongIsABadPath)
{
    EXPECT_THROW(m_step.LocateSourceFile(std::string(300, 'A'), 1), CFileException);
}

TEST_F(LocateSourceFileTest, PromptAsksForTheNumberedDisketteAndTakesATypedLocation)
{
    MakeFile(Folder("COPY\\PELTO.Z2"));
    SetSourceDirectory("A:\\");
    LocateRun run(m_step, "PELTO.Z2", 2);
    HWND prompt = run.WaitForPrompt();
    ASSERT_TRUE(prompt);
    EXPECT_EQ("Please insert diskette 2 in drive A:", ControlText(prompt, IDC_PROMPT_REQUEST));
    EXPECT_EQ(Explanation("A:\\PELTO.Z2"), ControlText(prompt, IDC_PROMPT_EXPLANATION));
    EXPECT_EQ("A:\\", ControlText(prompt, IDC_LOCATION));

    PressOk(prompt);
    EXPECT_TRUE(::IsWindowVisible(prompt));
    SetLocation(prompt, Folder(std::string(300, 'X')));  // no path: refused, not cut
    PressOk(prompt);
    EXPECT_TRUE(::IsWindowVisible(prompt));
    EXPECT_FALSE(run.IsDone());

    SetLocation(prompt, Folder("COPY"));
    ASSERT_TRUE(ClickButton(prompt, IDOK));
    BOOL result = FALSE;
    ASSERT_TRUE(run.Finish(result));
    EXPECT_TRUE(result);
    EXPECT_EQ(Folder("COPY\\"), SourceDirectory());
}

TEST_F(LocateSourceFileTest, PromptNamesTheLabelAndTakesTheFileOnceItIsThere)
{
    WriteFileBytes(Folder("INSTALL.ini"), "[diskettes]\r\n2=Pelto Program Files|\r\n");
    m_run.m_diskettes.LoadFromProfile(CPathName(Folder("INSTALL.ini")));
    const std::string disk = Folder("DISK\\");
    std::filesystem::create_directories(disk);
    SetSourceDirectory(disk);
    LocateRun run(m_step, "PELTO.Z2", 2);
    HWND prompt = run.WaitForPrompt();
    ASSERT_TRUE(prompt);
    const std::string drive = m_dir.Path().substr(0, 1);
    EXPECT_EQ("Please insert the diskette labelled 'Pelto Program Files' in drive " + drive + ":",
              ControlText(prompt, IDC_PROMPT_REQUEST));
    EXPECT_EQ(Explanation(disk + "PELTO.Z2"), ControlText(prompt, IDC_PROMPT_EXPLANATION));

    PressOk(prompt);
    EXPECT_TRUE(::IsWindowVisible(prompt));
    EXPECT_FALSE(run.IsDone());

    // Browse shows the location as a text, and its OK hands the folder back.
    MakeFile(disk + "PELTO.Z2");
    SetLocation(prompt, Folder("DISK"));
    ASSERT_TRUE(ClickButton(prompt, IDC_PROMPT_BROWSE));
    HWND folders = run.WaitForFolderDialog();
    ASSERT_TRUE(folders);
    EXPECT_FALSE(IsControlVisible(folders, IDC_FOLDER_PATH));
    ASSERT_TRUE(ClickButton(folders, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(folders); }));
    EXPECT_EQ(0, ::lstrcmpiA(Folder("DISK").c_str(), ControlText(prompt, IDC_LOCATION).c_str()));

    ASSERT_TRUE(ClickButton(prompt, IDOK));
    BOOL result = FALSE;
    ASSERT_TRUE(run.Finish(result));
    EXPECT_TRUE(result);
    EXPECT_EQ(0, ::lstrcmpiA(disk.c_str(), SourceDirectory().c_str()));
}

TEST_F(LocateSourceFileTest, CancelRefusesAndALongLabelAndPathStayReadable)
{
    WriteFileBytes(Folder("INSTALL.ini"), "[diskettes]\r\n3=Pelto Program Files, Help Files and Samples of the "
                                          "Workgroup Edition, Diskette Three of Seven, Keep This Diskette Safe|\r\n");
    m_run.m_diskettes.LoadFromProfile(CPathName(Folder("INSTALL.ini")));
    std::string deep = "C:\\";
    while (deep.size() + 20 < 250)
        deep += "Pelto Program Files\\";
    SetSourceDirectory(deep);
    LocateRun run(m_step, "PELTO.Z2", 3);
    HWND prompt = run.WaitForPrompt();
    ASSERT_TRUE(prompt);
    ExpectWholeTextShown(prompt, IDC_PROMPT_REQUEST);
    ExpectWholeTextShown(prompt, IDC_PROMPT_EXPLANATION);
    const RECT explanation = ControlRect(prompt, IDC_PROMPT_EXPLANATION);
    EXPECT_LE(ControlRect(prompt, IDC_PROMPT_REQUEST).bottom, explanation.top);
    EXPECT_LE(explanation.bottom, ControlRect(prompt, IDC_LOCATION).top);
    RECT client{};
    ::GetClientRect(prompt, &client);
    EXPECT_LE(ControlRect(prompt, IDCANCEL).bottom, client.bottom);

    ASSERT_TRUE(ClickButton(prompt, IDCANCEL));
    BOOL result = TRUE;
    ASSERT_TRUE(run.Finish(result));
    EXPECT_FALSE(result);
    EXPECT_EQ(deep, SourceDirectory());
}

} // namespace
