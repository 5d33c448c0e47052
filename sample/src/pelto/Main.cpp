// Pelto, the farm ledger: a main window listing the entries of one ledger
// file, read by the ledger engine PELTO32.DLL. Setup starts it with "/install"
// after an installation (it writes its settings file pelto.ini beside itself)
// and with "/uninstall" before a removal (it deletes that file); both return
// at once without a window.
#include "resource.h"

#include "../engine/Ledger.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kWindowClass[] = "PeltoLedgerFrame";
const char kSettingsFile[] = "pelto.ini";
const char kSettingsSection[] = "Pelto";
const char kHelpFile[] = "PELTO.HLP";
constexpr int kListId = 1;
constexpr int kLabelHeight = 24;

HINSTANCE g_hInstance;
HWND g_hLabel;
HWND g_hList;

std::string LoadText(UINT id)
{
    char text[512] = {};
    ::LoadStringA(g_hInstance, id, text, sizeof text);
    return text;
}

// The folder of this program, with its trailing backslash.
std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder;
}

std::string SettingsPath()
{
    return ProgramFolder() + kSettingsFile;
}

bool IsFullPath(const std::string& path)
{
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// Writes the settings file a fresh installation starts with.
int WriteSettings()
{
    const std::string path = SettingsPath();
    const bool written = ::WritePrivateProfileStringA(kSettingsSection, "Version", "1.0", path.c_str()) &&
                         ::WritePrivateProfileStringA(kSettingsSection, "Engine", PeltoEngineVersion(), path.c_str()) &&
                         ::WritePrivateProfileStringA(kSettingsSection, "Ledger", "", path.c_str());
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // flush the profile cache
    return written ? 0 : 1;
}

int DeleteSettings()
{
    return ::DeleteFileA(SettingsPath().c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

std::string RememberedLedger()
{
    char ledger[MAX_PATH] = {};
    ::GetPrivateProfileStringA(kSettingsSection, "Ledger", "", ledger, MAX_PATH, SettingsPath().c_str());
    return ledger;
}

// One list line per entry, its fields in tab-separated columns.
std::string FormatEntry(const PeltoLedgerEntry& entry)
{
    std::string line = entry.kind;
    for (int i = 0; i < entry.fieldCount; ++i)
        line += std::string("\t") + entry.fields[i];
    return line;
}

bool ShowLedger(HWND hwnd, const std::string& ledger)
{
    std::FILE* file = std::fopen(ledger.c_str(), "r");
    if (!file)
        return false;
    ::SendMessageA(g_hList, LB_RESETCONTENT, 0, 0);
    char line[512];
    PeltoLedgerEntry entry;
    while (std::fgets(line, sizeof line, file)) {
        if (PeltoParseLedgerLine(line, &entry))
            ::SendMessageA(g_hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FormatEntry(entry).c_str()));
    }
    std::fclose(file);
    ::SetWindowTextA(g_hLabel, ledger.c_str());
    const std::string title = LoadText(IDS_TITLE) + " - " + ledger.substr(ledger.find_last_of("\\/") + 1);
    ::SetWindowTextA(hwnd, title.c_str());
    return true;
}

void OpenLedger(HWND hwnd, std::string ledger)
{
    if (!IsFullPath(ledger))
        ledger = ProgramFolder() + ledger;
    if (ShowLedger(hwnd, ledger)) {
        ::WritePrivateProfileStringA(kSettingsSection, "Ledger", ledger.c_str(), SettingsPath().c_str());
        return;
    }
    char message[1024];
    std::snprintf(message, sizeof message, LoadText(IDS_CANT_OPEN).c_str(), ledger.c_str());
    ::MessageBoxA(hwnd, message, LoadText(IDS_TITLE).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void OnOpen(HWND hwnd)
{
    std::string filter = LoadText(IDS_FILTER);
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    char path[MAX_PATH] = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    const std::string samples = ProgramFolder() + "SAMPLES";
    dialog.lpstrInitialDir = samples.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (::GetOpenFileNameA(&dialog))
        OpenLedger(hwnd, path);
}

// The help is a rich-text document; WordPad (write.exe) shows it everywhere.
void OnHelp(HWND hwnd)
{
    const std::string help = "\"" + ProgramFolder() + kHelpFile + "\"";
    ::ShellExecuteA(hwnd, "open", "write.exe", help.c_str(), nullptr, SW_SHOWNORMAL);
}

void OnAbout(HWND hwnd)
{
    char message[512];
    std::snprintf(message, sizeof message, LoadText(IDS_ABOUT).c_str(), PeltoEngineVersion());
    ::MessageBoxA(hwnd, message, LoadText(IDS_TITLE).c_str(), MB_OK | MB_ICONINFORMATION);
}

void OnCreate(HWND hwnd)
{
    g_hLabel = ::CreateWindowExA(0, "STATIC", LoadText(IDS_NO_LEDGER).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP,
                                 0, 0, 0, 0, hwnd, nullptr, g_hInstance, nullptr);
    g_hList = ::CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS,
                                0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                                g_hInstance, nullptr);
    const HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::SendMessageA(g_hLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SendMessageA(g_hList, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const int tabs[] = {60, 170, 260};
    ::SendMessageA(g_hList, LB_SETTABSTOPS, 3, reinterpret_cast<LPARAM>(tabs));
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(hwnd);
        return 0;
    case WM_SIZE:
        ::MoveWindow(g_hLabel, 6, 4, LOWORD(lParam) - 12, kLabelHeight - 8, TRUE);
        ::MoveWindow(g_hList, 0, kLabelHeight, LOWORD(lParam), HIWORD(lParam) - kLabelHeight, TRUE);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_OPEN:  OnOpen(hwnd); return 0;
        case IDM_EXIT:  ::DestroyWindow(hwnd); return 0;
        case IDM_HELP:  OnHelp(hwnd); return 0;
        case IDM_ABOUT: OnAbout(hwnd); return 0;
        default:        break;
        }
        break;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

// The command line's one argument, without outer blanks and quotes.
std::string Argument(const char* commandLine)
{
    std::string argument = commandLine ? commandLine : "";
    const auto first = argument.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    argument = argument.substr(first, argument.find_last_not_of(' ') - first + 1);
    if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
        argument = argument.substr(1, argument.size() - 2);
    return argument;
}

int RunWindow(const std::string& ledger, int showCommand)
{
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = g_hInstance;
    frameClass.hIcon = ::LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_PELTO));
    frameClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
    frameClass.lpszClassName = kWindowClass;
    if (!::RegisterClassA(&frameClass))
        return 1;
    const HWND hwnd = ::CreateWindowExA(0, kWindowClass, LoadText(IDS_TITLE).c_str(), WS_OVERLAPPEDWINDOW,
                                        CW_USEDEFAULT, CW_USEDEFAULT, 560, 380, nullptr, nullptr, g_hInstance, nullptr);
    if (!hwnd)
        return 1;
    if (!ledger.empty())
        OpenLedger(hwnd, ledger);
    ::ShowWindow(hwnd, showCommand);
    ::UpdateWindow(hwnd);
    const HACCEL accelerators = ::LoadAcceleratorsA(g_hInstance, MAKEINTRESOURCEA(IDM_MAIN));
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!::TranslateAcceleratorA(hwnd, accelerators, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    g_hInstance = hInstance;
    const std::string argument = Argument(commandLine);
    if (argument == "/install")
        return WriteSettings();
    if (argument == "/uninstall")
        return DeleteSettings();
    return RunWindow(argument.empty() ? RememberedLedger() : argument, showCommand);
}
