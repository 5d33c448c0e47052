// page_shots OUTDIR: pictures of every wizard page for `make screenshots`.
// Walks the real INSTALL.EXE through the pages a run reaches (and the folder
// dialog and the exit question on the way), installs a diskette set built
// here for the copy page, the diskette prompt, the error report and the
// restart page, has the UI showcase show the pages that pass too quickly or
// cannot be reached from their templates, and
// saves each window as the screen shows it to OUTDIR/NAME.bmp
// (scripts/screenshots.sh turns them into PNG files). Windows are driven
// through the Windows API only. A shot that could not be taken is named on
// stderr and makes the exit code 1; the other shots are still taken.
#include "Diskset.h"
#include "SetupRun.h"

#include "fw/Gdi.h"
#include "fw/Handle.h"
#include "fw/Strings.h"
#include "res/resource.h"

#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

using namespace ui_probe;
using setup_run::SetupRun;

// Time for a window that answers messages to have painted itself and for
// Wine to have handed its pixels to the X server.
constexpr DWORD kSettleMs = 800;
// A BMP file: file header, BITMAPINFOHEADER, then the 24-bit pixels.
constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBytesPerPixel = 3;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() noexcept { return nullptr; }
    static BOOL Close(Handle h) noexcept { return ::DeleteDC(h); }
};
using CMemoryDC = CUniqueHandle<MemoryDcTraits>;

void PutLE(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The pixels of `area` of the screen as a 24-bit BMP file (rows bottom-up,
// each padded to 4 bytes).
std::string CaptureScreenArea(const RECT& area)
{
    const int width = static_cast<int>(area.right - area.left);
    const int height = static_cast<int>(area.bottom - area.top);
    if (width <= 0 || height <= 0)
        throw std::runtime_error("empty window rectangle");
    CClientDC screen(nullptr);
    CMemoryDC memory(::CreateCompatibleDC(screen.Get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as the file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = kBytesPerPixel * 8;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmap bitmap(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap.Get())
        throw std::runtime_error("cannot make a bitmap for the shot");
    {
        CSelectObject selected(memory.Get(), bitmap.Get());
        if (!::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY))
            throw std::runtime_error("cannot copy the screen");
        ::GdiFlush();
    }
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * kBytesPerPixel + 3) & ~3u;
    const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(height);
    constexpr std::uint32_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;
    std::string file = "BM";
    PutLE(file, kHeaderBytes + pixelBytes, 4);  // file size
    PutLE(file, 0, 4);                          // reserved
    PutLE(file, kHeaderBytes, 4);               // offset of the pixels
    PutLE(file, kInfoHeaderBytes, 4);
    PutLE(file, static_cast<std::uint32_t>(width), 4);
    PutLE(file, static_cast<std::uint32_t>(height), 4);
    PutLE(file, 1, 2);  // planes
    PutLE(file, kBytesPerPixel * 8, 2);
    PutLE(file, BI_RGB, 4);
    PutLE(file, pixelBytes, 4);
    PutLE(file, kPixelsPerMetre, 4);
    PutLE(file, kPixelsPerMetre, 4);
    PutLE(file, 0, 4);  // colours used
    PutLE(file, 0, 4);  // colours important
    file.append(static_cast<const char*>(bits), pixelBytes);
    return file;
}

// Takes the shots into the output folder and remembers whether one failed.
class Shooter {
public:
    explicit Shooter(const std::string& outDir) : m_outDir(WindowsPath(outDir)) {}

    // The window as it shows on the screen, frame and caption included.
    void Window(const std::string& name, HWND window)
    {
        if (!window || !Settle(window)) {
            Failed(name, "the window did not show");
            return;
        }
        RECT area{};
        ::GetWindowRect(window, &area);
        Save(name, area);
    }

    // The whole screen, once `window` has painted.
    void Screen(const std::string& name, HWND window)
    {
        if (!window || !Settle(window)) {
            Failed(name, "the window did not show");
            return;
        }
        Save(name, RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
    }

    void Failed(const std::string& name, const std::string& why)
    {
        std::fprintf(stderr, "page_shots: no shot %s: %s\n", name.c_str(), why.c_str());
        m_bFailed = true;
    }

    bool AllTaken() const noexcept { return !m_bFailed; }

private:
    // The window's thread has dealt with what was sent before (it is not
    // inside a step), then has had the time to paint.
    static bool Settle(HWND window)
    {
        DWORD_PTR ignored = 0;
        if (!::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kDefaultTimeoutMs, &ignored))
            return false;
        ::Sleep(kSettleMs);
        return ::IsWindowVisible(window) != FALSE;
    }

    void Save(const std::string& name, const RECT& area)
    {
        try {
            WriteFileBytes(m_outDir + "\\" + name + ".bmp", CaptureScreenArea(area));
        } catch (const std::exception& e) {
            Failed(name, e.what());
        }
    }

    std::string m_outDir;
    bool m_bFailed = false;
};

// The folder INSTALL.EXE proposes, on the first fixed disk of the prefix.
const char kMainName[] = "PELTO";

// Wine's Program Manager answers the request for its groups with an empty
// list. For a picture of the group page with a list, the Start menu's groups
// are put into the page's empty list from here; FALSE when there are none or
// the list was not empty.
bool ListStartMenuGroups(HWND list)
{
    if (!list || ::SendMessageA(list, LB_GETCOUNT, 0, 0) != 0)
        return false;
    char programs[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs)))
        return false;
    WIN32_FIND_DATAA entry{};
    CFindHandle search(::FindFirstFileA((std::string(programs) + "\\*").c_str(), &entry));
    bool listed = false;
    for (bool more = search.IsValid(); more; more = ::FindNextFileA(search.Get(), &entry) != FALSE) {
        const std::string name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..")
            continue;
        DWORD_PTR ignored = 0;
        listed |= ::SendMessageTimeoutA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()), SMTO_ABORTIFHUNG,
                                        kDefaultTimeoutMs, &ignored) != 0;
    }
    return listed;
}

bool Next(HWND page)
{
    return page && ClickButton(SetupRun::NavigationBar(page), IDC_NEXT);
}

// Welcome, destination, the folder dialog, the group page, then on through
// copying and registering to the finished page.
void ShootInstallation(Shooter& shoot)
{
    SetupRun run(setup_run::MinimalProfile(kMainName));
    run.Start();
    HWND welcome = run.WaitForPage(IDD_WELCOME);
    shoot.Screen("page-102-welcome-screen", welcome);
    shoot.Window("page-102-welcome", welcome);
    if (!Next(welcome))
        throw std::runtime_error("no Next on the welcome page");

    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    shoot.Window("page-104-directory", directory);
    if (!directory || !ClickButton(directory, IDC_BROWSE))
        throw std::runtime_error("no Browse button on the destination page");
    HWND folder = WaitForWindow({0, "Change Folder", "#32770"});
    shoot.Window("folder-dialog", folder);
    if (!folder || !ClickButton(folder, IDCANCEL) || !WaitUntil([&] { return !::IsWindow(folder); }))
        throw std::runtime_error("the folder dialog did not close");
    if (!Next(directory))
        throw std::runtime_error("no Next on the destination page");

    HWND group = run.WaitForPage(IDD_GROUP);
    shoot.Window("page-106-group", group);
    if (group && ListStartMenuGroups(::GetDlgItem(group, IDC_GROUP_LIST)))
        shoot.Window("page-106-group-listed", group);
    if (!Next(group))
        throw std::runtime_error("no Next on the group page");

    HWND finished = run.WaitForPage(IDD_FINISHED);
    shoot.Window("page-115-finished", finished);
    if (finished)
        ClickButton(finished, IDOK);
    run.ExitCode();
}

// Cancel on the destination page: the exit question, Yes, the failure page.
void ShootCancel(Shooter& shoot)
{
    SetupRun run(setup_run::MinimalProfile(kMainName));
    run.Start();
    if (!Next(run.WaitForPage(IDD_WELCOME)))
        throw std::runtime_error("no Next on the welcome page");
    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    if (!directory || !ClickButton(SetupRun::NavigationBar(directory), IDCANCEL))
        throw std::runtime_error("no Cancel on the destination page");
    HWND question = run.WaitForDialogShowing(AfxLoadString(IDS_CONFIRM_EXIT_SETUP));
    shoot.Window("exit-question", question);
    if (!question || !SetupRun::ClickButtonLabelled(question, "&Yes"))
        throw std::runtime_error("no Yes in the exit question");
    HWND failed = run.WaitForPage(IDD_FAILED);
    shoot.Window("page-116-failed", failed);
    if (failed)
        ClickButton(failed, IDOK);
    run.ExitCode();
}

void ShootRemoval(Shooter& shoot)
{
    SetupRun run(setup_run::MinimalProfile(kMainName));
    run.Start("/U");
    HWND confirm = run.WaitForPage(IDD_REMOVE_CONFIRM);
    shoot.Window("page-1545-remove-confirm", confirm);
    if (confirm && ClickButton(SetupRun::NavigationBar(confirm), IDCANCEL))
        if (HWND failed = run.WaitForPage(IDD_FAILED))
            ClickButton(failed, IDOK);
    run.ExitCode();
}

// The set of the copy run, built where a vendor's set is copied to disk:
// SAMPLES.A on diskette 1, PELTO.Z1 from diskette 1 onto diskette 2 (its
// last member runs over).
const char kSetDir[] = "C:\\SETUP";
const char kCopyLayout[] = "[layout]\r\nSource=src\r\nDisketteSize=16384\r\nTime=1996-09-30 12:00:00\r\n"
                           "Label=Pelto 1.0 Disk %d\r\n"
                           "[destinations]\r\n0=\\PELTO||\r\n1=SAMPLES|0|\r\n"
                           "[groups]\r\nProgram=Pelto program files|The program and its samples|1|1|1\r\n"
                           "[targets]\r\nPELTO.HLP=0|0|0|Pelto Help|||\r\n"
                           "[items]\r\nSAMPLES.A=archive|Program|Sample ledgers\r\n"
                           "PELTO.Z1=archive|Program|Program files\r\n"
                           "[SAMPLES.A]\r\nSPRING.LDG=SPRING.LDG|1\r\n"
                           "[PELTO.Z1]\r\nREADME.TXT=README.TXT\r\nPELTO.HLP=PELTO.HLP\r\n"
                           "HARVEST.LDG=HARVEST.LDG|1\r\n";
// Before the set's time: the installed copy is replaced.
constexpr long long kOlderTime = 788918400;  // 1995-01-01
constexpr long long kFileTimeEpoch = 11644473600;  // 1601 to 1970, in seconds
constexpr long long kFileTimeUnitsPerSecond = 10000000;

// An older README.TXT at the destination, kept open without delete sharing as
// a running program keeps its files: it cannot be renamed aside, so setup
// replaces it at the next start of Windows.
CFileHandle HoldOlderFile(const std::string& path)
{
    CFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string bytes = "Pelto 0.9";
    DWORD written = 0;
    const auto units = static_cast<ULONGLONG>((kOlderTime + kFileTimeEpoch) * kFileTimeUnitsPerSecond);
    const FILETIME time{static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
    if (!file.IsValid() || !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        !::SetFileTime(file.Get(), nullptr, nullptr, &time))
        throw std::runtime_error("cannot hold " + path + " open");
    return file;
}

// A whole installation from the set above with three faults on the way: the
// sample archive is damaged (its report, answered Continue), diskette 2 is
// not where diskette 1 is (the prompt, with the copy page's progress behind
// it) and a file to replace is in use (the run ends on the restart page).
void ShootCopyRun(Shooter& shoot)
{
    SetupRun run({});
    const std::string src = run.Folder() / "src\\";
    const std::string disk1 = std::string(kSetDir) + "\\DISK01\\";
    const std::string moved = std::string(kSetDir) + "\\ELSEWHERE";
    std::filesystem::create_directories(src);
    WriteFileBytes(src + "SPRING.LDG", NoiseBytes(3000, 1));
    WriteFileBytes(src + "README.TXT", "Pelto 1.0");
    WriteFileBytes(src + "PELTO.HLP", NoiseBytes(6000, 2));
    WriteFileBytes(src + "HARVEST.LDG", NoiseBytes(12000, 3));
    WriteFileBytes(run.Folder() / "set.layout", kCopyLayout);
    std::ostringstream out, err;
    if (RunDiskset({"build", run.Folder() / "set.layout", kSetDir, "--force"}, out, err) != 0)
        throw std::runtime_error("diskset: " + err.str());
    std::string samples = ReadFileBytes(disk1 + "SAMPLES.A");
    samples.at(8 + 346 + 100) ^= 0x55;  // inside the first member's packed data
    WriteFileBytes(disk1 + "SAMPLES.A", samples);
    std::filesystem::rename(std::string(kSetDir) + "\\DISK02", moved);
    std::filesystem::create_directories("C:\\PELTO");
    CFileHandle held = HoldOlderFile("C:\\PELTO\\README.TXT");

    run.Start("/D:" + disk1.substr(0, disk1.size() - 1));
    for (int page : {IDD_WELCOME, IDD_DIRECTORY, IDD_GROUP})
        if (!Next(run.WaitForPage(page)))
            throw std::runtime_error(StringFormat("no Next on page %d", page));

    const std::string heading = AfxLoadString(IDS_CANNOT_INSTALL_FILES_FROM);
    HWND report = run.WaitForDialogShowing(StringFormat(heading.c_str(), (disk1 + "SAMPLES.A").c_str()));
    shoot.Window("error-damaged-archive", report);
    if (report && ClickButton(report, IDC_ERROR_MORE))
        shoot.Window("error-damaged-archive-more", report);
    if (!report || !ClickButton(report, IDOK))
        throw std::runtime_error("no Continue in the damaged archive's report");

    const std::string missing = AfxLoadString(IDS_DISKETTE_FILE_MISSING);
    HWND prompt = run.WaitForDialogShowing(StringFormat(missing.c_str(), (disk1 + "PELTO.Z2").c_str()));
    shoot.Window("diskette-prompt", prompt);
    shoot.Screen("diskette-prompt-screen", prompt);
    if (!prompt)
        throw std::runtime_error("no diskette prompt");
    // The copy page waits behind the prompt, which steps aside for the page's
    // picture. Wine leaves the page below the background window meanwhile
    // (Windows keeps it above its owner), so it is raised for the picture.
    RECT place{};
    ::GetWindowRect(prompt, &place);
    const UINT kMoveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(prompt, nullptr, ::GetSystemMetrics(SM_CXSCREEN), 0, 0, 0, kMoveOnly);
    HWND copy = run.WaitForPage(IDD_COPY);
    ::SetWindowPos(copy, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    shoot.Window("page-108-copy", copy);
    ::SetWindowPos(prompt, nullptr, place.left, place.top, 0, 0, kMoveOnly);
    ::SendMessageA(::GetDlgItem(prompt, IDC_LOCATION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(moved.c_str()));
    if (!ClickButton(prompt, IDOK))
        throw std::runtime_error("no OK in the diskette prompt");

    HWND restart = run.WaitForPage(IDD_RESTART);
    shoot.Window("page-1558-restart", restart);
    if (restart)
        ClickButton(restart, IDC_FINISH_NO_RESTART);
    run.ExitCode();
    std::error_code ignored;
    std::filesystem::remove_all(kSetDir, ignored);
}

// Pages shown from their templates by the showcase.
struct TemplateShot {
    int pageId;
    const char* name;
};
constexpr TemplateShot kTemplateShots[] = {
    {IDD_READ_PROFILE, "page-114-read-profile"},      {IDD_CONDITIONS, "page-1537-conditions"},
    {IDD_REGISTER, "page-1549-register"},             {IDD_REMOVE_FILES, "page-1546-remove-files"},
    {IDD_UNREGISTER, "page-1550-unregister"},         {IDD_REMOVED, "page-1547-removed"},
};

void ShootTemplates(Shooter& shoot)
{
    for (const TemplateShot& shot : kTemplateShots) {
        try {
            TestProcess showcase(PELTO_UI_SHOWCASE, StringFormat("page %d", shot.pageId));
            shoot.Window(shot.name, WaitForWindow({showcase.Id(), "", "#32770"}));
        } catch (const std::exception& e) {
            shoot.Failed(shot.name, e.what());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: page_shots OUTDIR\n");
        return 2;
    }
    Shooter shoot(argv[1]);
    const struct {
        const char* name;
        void (*walk)(Shooter&);
    } walks[] = {
        {"installation", ShootInstallation},
        {"cancel", ShootCancel},
        {"removal", ShootRemoval},
        {"copy run", ShootCopyRun},
        {"templates", ShootTemplates},
    };
    for (const auto& walk : walks) {
        try {
            walk.walk(shoot);
        } catch (const std::exception& e) {
            shoot.Failed(std::string("of the ") + walk.name + " walk", e.what());
        }
    }
    return shoot.AllTaken() ? 0 : 1;
}
