// The folder browser, run on a thread of its own and driven from the test's
// thread through the window system (control texts, buttons, list notifications).
#include "wizard/FolderDialog.h"

#include "fw/Strings.h"
#include "fw/SystemLibrary.h"
#include "res/resource.h"
#include "support/TempDir.h"
#include "support/UiProbe.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace ui_probe;

// Browse on its own thread, with the dialogs it opens there.
class BrowseRun {
public:
    BrowseRun(std::string path, BOOL validate, BOOL showEditBox, BOOL askCreate) : m_path(std::move(path))
    {
        // The program opens the common dialogs on its only thread, which
        // loads their library then. Here the dialog has a thread of its own
        // while this one sends to its windows: the library is loaded here
        // first (a run of this test has hung once with the library loaded
        // on the dialog's thread).
        SystemLibraryFunction("comdlg32.dll", "GetOpenFileNameA");
        m_thread = std::thread([=] {
            m_threadId = ::GetCurrentThreadId();
            CFolderDialog dialog;
            m_result = dialog.Browse(m_path, validate, showEditBox, askCreate);
            m_done = true;
        });
    }
    // Whatever is still open is answered No, OK or Cancel, so the thread ends.
    ~BrowseRun()
    {
        WaitUntil([this] {
            for (HWND window : ThreadDialogs(m_threadId))
                for (int id : {IDNO, IDCANCEL, IDOK})
                    if (ClickButton(window, id))
                        break;
            return m_done.load();
        });
        m_thread.join();
    }

    // The folder dialog, or null after the timeout.
    HWND WaitForDialog() const
    {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindWindowWith(lst2, {})) != nullptr; });
        return found;
    }
    // The message box that shows `text`, or null after the timeout.
    HWND WaitForMessage(const std::string& text) const
    {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindWindowWith(0, text)) != nullptr; });
        return found;
    }
    // Waits for Browse to return; its answer and the path it left.
    bool Finish(BOOL& result, std::string& path) const
    {
        if (!WaitUntil([this] { return m_done.load(); }))
            return false;
        result = m_result;
        path = m_path;
        return true;
    }

private:
    // A dialog of the thread with control `id`, or with a child showing `text`.
    HWND FindWindowWith(int id, const std::string& text) const
    {
        for (HWND window : ThreadDialogs(m_threadId)) {
            if (id && ::GetDlgItem(window, id))
                return window;
            for (HWND child : ChildWindows(window))
                if (!text.empty() && WindowText(child) == text)
                    return window;
        }
        return nullptr;
    }

    std::string m_path;
    std::thread m_thread;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_done{false};
    BOOL m_result = FALSE;
};

// Windows paths compare without regard to case; the common dialog writes its
// directory in lower case.
bool SamePath(std::string a, std::string b)
{
    for (std::string* path : {&a, &b})
        if (path->size() > 3 && path->back() == '\\')
            path->pop_back();
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

class FolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(Folder("A\\Sub")); }
    // Browse enters directories; leave them so that the test folder can go.
    void TearDown() override
    {
        char windows[MAX_PATH] = {};
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        ::SetCurrentDirectoryA(windows);
    }

    std::string Folder(const std::string& name) const { return m_dir / name; }

    TempDir m_dir;
};

TEST_F(FolderDialogTest, StartsAtTheDeepestExistingLevelAndKeepsThePathOnCancel)
{
    const std::string path = Folder("A\\B\\C");
    BrowseRun run(path, FALSE, TRUE, FALSE);
    HWND dialog = run.WaitForDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("Change Folder", WindowText(dialog));
    EXPECT_PRED2(SamePath, Folder("A"), ControlText(dialog, stc1));
    EXPECT_EQ(path, ControlText(dialog, IDC_FOLDER_PATH));
    EXPECT_TRUE(IsControlVisible(dialog, IDC_FOLDER_PATH));
    EXPECT_FALSE(IsControlVisible(dialog, IDC_FOLDER_PATH_TEXT));
    ASSERT_TRUE(ClickButton(dialog, IDCANCEL));
    BOOL result = TRUE;
    std::string left;
    ASSERT_TRUE(run.Finish(result, left));
    EXPECT_FALSE(result);
    EXPECT_EQ(path, left);
}

TEST_F(FolderDialogTest, EmptyPathIsRefusedWithAMessage)
{
    BrowseRun run("", FALSE, TRUE, FALSE);
    HWND message = run.WaitForMessage(AfxLoadString(IDS_PATH_EMPTY));
    ASSERT_TRUE(message);
    ASSERT_TRUE(ClickButton(message, IDOK));
    BOOL result = TRUE;
    std::string left;
    ASSERT_TRUE(run.Finish(result, left));
    EXPECT_FALSE(result);
}

TEST_F(FolderDialogTest, OkReturnsTheFolderEnteredInTheList)
{
    BrowseRun run(Folder("A"), FALSE, FALSE, FALSE);
    HWND dialog = run.WaitForDialog();
    ASSERT_TRUE(dialog);
    // A double click on "[sub]" in the folder list, as the list box reports it.
    HWND folders = ::GetDlgItem(dialog, lst2);
    const LRESULT index = ::SendMessageA(folders, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>("[sub]"));
    ASSERT_NE(LB_ERR, index);
    ::SendMessageA(folders, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(lst2, LBN_DBLCLK), reinterpret_cast<LPARAM>(folders));
    EXPECT_PRED2(SamePath, Folder("A\\Sub"), ControlText(dialog, IDC_FOLDER_PATH_TEXT));
    EXPECT_TRUE(IsControlVisible(dialog, IDC_FOLDER_PATH_TEXT));
    ASSERT_TRUE(ClickButton(dialog, IDOK));
    BOOL result = FALSE;
    std::string chosen;
    ASSERT_TRUE(run.Finish(result, chosen));
    EXPECT_TRUE(result);
    EXPECT_PRED2(SamePath, Folder("A\\Sub"), chosen);
}

TEST_F(FolderDialogTest, MissingFolderIsCreatedOnlyWhenTheUserSaysYes)
{
    const std::string wanted = Folder("A\\New\\Deep");
    BrowseRun run(Folder("A"), TRUE, TRUE, TRUE);
    HWND dialog = run.WaitForDialog();
    ASSERT_TRUE(dialog);
    ::SendMessageA(::GetDlgItem(dialog, IDC_FOLDER_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wanted.c_str()));
    const std::string question = StringFormat(AfxLoadString(IDS_CREATE_FOLDER_QUESTION).c_str(), wanted.c_str());

    ASSERT_TRUE(ClickButton(dialog, IDOK));
    HWND message = run.WaitForMessage(question);
    ASSERT_TRUE(message);
    ASSERT_TRUE(ClickButton(message, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(message); }));
    EXPECT_TRUE(::IsWindowVisible(dialog));
    EXPECT_FALSE(std::filesystem::exists(Folder("A\\New")));

    ASSERT_TRUE(ClickButton(dialog, IDOK));
    message = run.WaitForMessage(question);
    ASSERT_TRUE(message);
    ASSERT_TRUE(ClickButton(message, IDYES));
    BOOL result = FALSE;
    std::string chosen;
    ASSERT_TRUE(run.Finish(result, chosen));
    EXPECT_TRUE(result);
    EXPECT_EQ(wanted, chosen);
    EXPECT_TRUE(std::filesystem::is_directory(wanted));
}

} // namespace
