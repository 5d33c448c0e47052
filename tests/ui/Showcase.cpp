// Shows one user-interface component on its own, chosen by the command line
// (see Showcase.h), for the GUI tests and the screenshots.
#include "Showcase.h"

#include "errors/ErrorDialog.h"
#include "errors/XException.h"
#include "fw/App.h"
#include "fw/Dialog.h"
#include "fw/FrameWnd.h"
#include "fw/Strings.h"
#include "res/resource.h"
#include "ui/Gauge.h"
#include "ui/MainWnd.h"
#include "wizard/NavigationBar.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitArguments(const std::string& text)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find(' ', at);
        const std::string word = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!word.empty())
            words.push_back(word);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return words;
}

// The value of option "/name=value", or `fallback`.
std::string Option(const std::vector<std::string>& words, const char* name, const std::string& fallback = {})
{
    const std::string prefix = std::string("/") + name + "=";
    for (const std::string& word : words)
        if (word.compare(0, prefix.size(), prefix) == 0)
            return word.substr(prefix.size());
    return fallback;
}

bool HasSwitch(const std::vector<std::string>& words, const char* name)
{
    for (const std::string& word : words)
        if (word == std::string("/") + name)
            return true;
    return false;
}

// ---- gauge ----------------------------------------------------------------

class CGaugeDialog : public CDialog {
public:
    CGaugeDialog(std::uint32_t min, std::uint32_t max, std::uint32_t pos)
        : CDialog(IDD_SHOWCASE_GAUGE), m_gauge(min, max, min), m_nRequested(pos) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_gauge.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{}, this, IDC_GAUGE);
        m_gauge.SetPos(m_nRequested, TRUE);
        const std::string state = StringFormat("%lu %lu %lu", static_cast<unsigned long>(m_gauge.m_nMin),
                                               static_cast<unsigned long>(m_gauge.m_nMax),
                                               static_cast<unsigned long>(m_gauge.m_nPos));
        SetDlgItemText(IDC_GAUGE_STATE, state.c_str());
        CenterWindow();
        return TRUE;
    }

private:
    CGauge m_gauge;
    std::uint32_t m_nRequested;
};

// ---- page -----------------------------------------------------------------

// Pages the wizard gives a navigation bar (every page but those that work on
// their own or end the run).
constexpr int kPagesWithNavigationBar[] = {IDD_WELCOME, IDD_DIRECTORY, IDD_GROUP, IDD_CONDITIONS,
                                           IDD_REMOVE_CONFIRM};

// What the pages' variable controls show while the program is at work.
struct SampleText {
    int id;
    const char* text;
};
constexpr SampleText kSampleTexts[] = {
    {IDC_SOURCE_FILE, "PELTO.Z"},
    {IDC_DESTINATION_FILE, "C:\\PELTO\\PELTO.EXE"},
    {IDC_REMOVED_FILE, "C:\\PELTO\\PELTO.EXE"},
    {IDC_REQUIREMENTS, "Windows 3.1 or later"},
};

// A wizard page made from its template alone, without the wizard behind it.
class CPageDialog : public CDialog {
public:
    explicit CPageDialog(int pageId) : CDialog(static_cast<UINT>(pageId)) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        for (const SampleText& sample : kSampleTexts)
            if (GetDlgItem(sample.id))
                SetDlgItemText(sample.id, sample.text);
        if (GetDlgItem(IDC_GAUGE)) {
            m_gauge.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{}, this, IDC_GAUGE);
            m_gauge.SetPos(42);
        }
        for (int id : kPagesWithNavigationBar)
            if (static_cast<UINT>(id) == m_nIDTemplate)
                AddNavigationBar();
        CenterWindow();
        // Active, as the wizard's current page is. Under Wine the caption of
        // a page with a navigation bar stays drawn inactive although the page
        // is the active window: it is drawn again once the page shows.
        ::SetForegroundWindow(m_hWnd);
        ::PostMessageA(m_hWnd, WM_NCACTIVATE, TRUE, 0);
        return TRUE;
    }

private:
    void AddNavigationBar()
    {
        if (m_navigationBar.Create(IDD_NAVIGATION_BAR, this))
            PlaceNavigationBar(m_hWnd, m_navigationBar.m_hWnd);
    }

    CGauge m_gauge{0, 99, 0};
    CDialog m_navigationBar;
};

// ---- throw ----------------------------------------------------------------

class CThrowingWnd : public CFrameWnd {
protected:
    BOOL OnCommand(UINT id, UINT code, HWND control) override
    {
        if (id == showcase::kThrowCommand)
            throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, "DATA.Z");
        return CFrameWnd::OnCommand(id, code, control);
    }
};

// ---- error ----------------------------------------------------------------

// An exception of no framework kind.
class COtherException : public CException {
public:
    const char* GetRuntimeClassName() const noexcept override { return "COtherException"; }
};

std::unique_ptr<CException> MakeException(const std::string& kind, int code)
{
    if (kind == "profile")
        return std::make_unique<CInstallProfileException>(static_cast<InstallProfileCode>(code));
    if (kind == "multifile")
        return std::make_unique<CMultiFileException>(static_cast<MultiFileCode>(code));
    if (kind == "zlib")
        return std::make_unique<CZLibException>(static_cast<ZLibCode>(code));
    if (kind == "file")
        return std::make_unique<CFileException>(code, -1, "DATA.Z");
    if (kind == "memory")
        return std::make_unique<CMemoryException>();
    if (kind == "archive")
        return std::make_unique<CArchiveException>(code);
    if (kind == "resource")
        return std::make_unique<CResourceException>();
    if (kind == "user")
        return std::make_unique<CUserException>();
    if (kind == "notsupported")
        return std::make_unique<CNotSupportedException>();
    if (kind == "other")
        return std::make_unique<COtherException>();
    return nullptr;
}

BOOL CALLBACK ClickMoreInDialog(HWND window, LPARAM)
{
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !::GetDlgItem(window, IDC_ERROR_MORE))
        return TRUE;
    ::SendMessageA(::GetDlgItem(window, IDC_ERROR_MORE), BM_CLICK, 0, 0);
    return FALSE;
}

// Presses More once the error dialog is open (timer of this thread).
void CALLBACK PressMoreTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!::EnumThreadWindows(::GetCurrentThreadId(), ClickMoreInDialog, 0))
        ::KillTimer(nullptr, id);
}

void CALLBACK ExitTimer(HWND, UINT, UINT_PTR, DWORD)
{
    ::ExitProcess(0);
}

// ---- the application ------------------------------------------------------

class CShowcaseApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override
    {
        if (m_bMainMode)
            return static_cast<int>(m_bSuccess ? showcase::kExitSuccessKept : showcase::kExitSuccessCleared);
        return static_cast<int>(m_nExitCode);
    }
    // As the setup program does: the report of an exception that escaped a
    // window procedure is the error dialog with heading 9.
    LRESULT ProcessWndProcException(const CException& e, const MSG*) override
    {
        ErrorMessage(IDS_SETUP_CANNOT_CONTINUE, e);
        return 0;
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (!msg->hwnd && msg->message == showcase::kEndRunMessage) {
            if (m_pMainWnd)
                m_pMainWnd->DestroyWindow();
            return TRUE;
        }
        return CWinApp::PreTranslateMessage(msg);
    }

private:
    BOOL RunMain(const std::vector<std::string>& words);
    BOOL RunGauge(const std::vector<std::string>& words);
    BOOL RunError(const std::vector<std::string>& words);
    BOOL RunThrow();
    BOOL RunPage(const std::vector<std::string>& words);

    BOOL m_bSuccess = TRUE;
    bool m_bMainMode = false;
    DWORD m_nExitCode = 0;
    std::unique_ptr<CWnd> m_pWindow;
};

BOOL CShowcaseApp::InitInstance()
{
    SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    const std::vector<std::string> words = SplitArguments(m_strCmdLine);
    const std::string exitAfter = Option(words, "exit-after");
    if (!exitAfter.empty())
        ::SetTimer(nullptr, 0, static_cast<UINT>(std::atoi(exitAfter.c_str())), ExitTimer);
    m_nExitCode = showcase::kExitBadArguments;
    const std::string mode = words.empty() ? std::string() : words[0];
    if (mode == "main")
        return RunMain(words);
    if (mode == "gauge")
        return RunGauge(words);
    if (mode == "error")
        return RunError(words);
    if (mode == "throw")
        return RunThrow();
    if (mode == "page")
        return RunPage(words);
    return FALSE;
}

BOOL CShowcaseApp::RunMain(const std::vector<std::string>& words)
{
    auto window = std::make_unique<CMainWnd>(Option(words, "title", AfxLoadString(IDS_SETUP_TITLE)),
                                             HasSwitch(words, "B"), m_bSuccess);
    if (!window->CreateBackground())
        return FALSE;
    m_pMainWnd = window.get();
    m_pWindow = std::move(window);
    m_bMainMode = true;
    return TRUE;
}

BOOL CShowcaseApp::RunGauge(const std::vector<std::string>& words)
{
    if (words.size() < 4)
        return FALSE;
    const auto number = [](const std::string& text) {
        return static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    };
    CGaugeDialog dialog(number(words[1]), number(words[2]), number(words[3]));
    dialog.DoModal();
    m_nExitCode = 0;
    return FALSE;
}

BOOL CShowcaseApp::RunError(const std::vector<std::string>& words)
{
    if (words.size() < 2)
        return FALSE;
    const int code = words.size() > 2 && words[2][0] != '/' ? std::atoi(words[2].c_str()) : 0;
    const std::unique_ptr<CException> e = MakeException(words[1], code);
    if (!e)
        return FALSE;
    const bool ask = HasSwitch(words, "ask");
    const UINT heading = static_cast<UINT>(
        std::atoi(Option(words, "heading", ask ? "17" : "9").c_str()));
    const std::string argument = Option(words, "arg", "DATA.Z");
    if (HasSwitch(words, "more"))
        ::SetTimer(nullptr, 0, 50, PressMoreTimer);
    if (ask) {
        m_nExitCode = ErrorQuery(heading, *e, argument.c_str()) ? showcase::kExitQueryTrue
                                                                 : showcase::kExitQueryFalse;
    } else {
        ErrorMessage(heading, *e, argument.c_str());
        m_nExitCode = showcase::kExitMessageShown;
    }
    return FALSE;
}

BOOL CShowcaseApp::RunThrow()
{
    auto window = std::make_unique<CThrowingWnd>();
    const std::string windowClass = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW),
                                                        reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    const RECT place{100, 100, 500, 300};
    if (!window->Create(windowClass.c_str(), showcase::kThrowingWindowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        &place))
        return FALSE;
    m_pMainWnd = window.get();
    m_pWindow = std::move(window);
    m_nExitCode = 0;
    return TRUE;
}

BOOL CShowcaseApp::RunPage(const std::vector<std::string>& words)
{
    if (words.size() < 2)
        return FALSE;
    // Modeless, as the wizard's pages are.
    auto page = std::make_unique<CPageDialog>(std::atoi(words[1].c_str()));
    if (!page->Create())
        return FALSE;
    m_pMainWnd = page.get();
    m_pWindow = std::move(page);
    m_nExitCode = 0;
    return TRUE;
}

CShowcaseApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    return AfxWinMain(instance, commandLine, showCommand);
}
