// page_shots OUTDIR: pictures of every wizard page for `make screenshots`.
// Walks the real INSTALL.EXE through the pages a run reaches (and the folder
// dialog and the exit question on the way), has the UI showcase show the
// pages that pass too quickly or cannot be reached from their templates, and
// saves each window as the screen shows it to OUTDIR/NAME.bmp
// (scripts/screenshots.sh turns them into PNG files). Windows are driven
// through the Windows API only. A shot that could not be taken is named on
// stderr and makes the exit code 1; the other shots are still taken.
#include "SetupRun.h"

#include "fw/Gdi.h"
#include "fw/Handle.h"
#include "fw/Strings.h"
#include "res/resource.h"

#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <exception>
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
    if (!memory || !bitmap.GetSafeHandle())
        throw std::runtime_error("cannot make a bitmap for the shot");
    {
        CSelectObject selected(memory.Get(), bitmap.GetSafeHandle());
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

// Pages shown from their templates by the showcase.
struct TemplateShot {
    int pageId;
    const char* name;
};
constexpr TemplateShot kTemplateShots[] = {
    {IDD_READ_PROFILE, "page-114-read-profile"}, {IDD_CONDITIONS, "page-1537-conditions"},
    {IDD_COPY, "page-108-copy"},                 {IDD_REGISTER, "page-1549-register"},
    {IDD_RESTART, "page-1558-restart"},          {IDD_REMOVE_FILES, "page-1546-remove-files"},
    {IDD_UNREGISTER, "page-1550-unregister"},    {IDD_REMOVED, "page-1547-removed"},
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
