#pragma once
// One run of the real INSTALL.EXE for a test: the program copied into a
// folder of its own with the setup profile beside it, started there, and its
// pages and message boxes found from outside by what they show.
#include "support/TempDir.h"
#include "support/UiProbe.h"

#include <memory>
#include <string>

#include <windows.h>

namespace setup_run {

// A setup profile for the tests: destination 0 proposes `mainName` on the
// first fixed disk; one file group, one target, one diskette, no archives.
std::string MinimalProfile(const std::string& mainName);

// What a run leaves in the registry of HKEY_LOCAL_MACHINE: a REG_SZ value, or
// "(none)"; the shared count of a file by its full path, -1 without one.
std::string RegString(const char* key, const char* name);
long SharedCount(const std::string& path);

class SetupRun {
public:
    // Copies INSTALL.EXE into a fresh folder and writes `profile` beside it as
    // INSTALL.ini (no file when empty).
    explicit SetupRun(const std::string& profile);
    ~SetupRun();

    void Start(const std::string& arguments = {});
    // Starts another copy of the program, such as one on a diskette set, in
    // the current directory `directory` (the test's own when empty).
    void StartProgram(const std::string& program, const std::string& arguments = {},
                      const std::string& directory = {});
    const TempDir& Folder() const noexcept { return m_dir; }

    // The page with template `pageId` once it is the visible page; null after
    // the timeout.
    HWND WaitForPage(int pageId) const;
    // The page's navigation bar (a child dialog), or null.
    static HWND NavigationBar(HWND page);
    // A message box or dialog of the program that shows `text` in one of its
    // controls; null after the timeout.
    HWND WaitForDialogShowing(const std::string& text) const;
    // A visible dialog of the program with caption `caption`, or null; asks
    // the program nothing, so it works while the program is busy.
    HWND FindVisibleDialogCaptioned(const std::string& caption) const;
    // Presses the button labelled `label` ("&Yes", "OK") in `dialog`.
    static bool ClickButtonLabelled(HWND dialog, const std::string& label);
    // The exit code, or -1 when the program did not end in time.
    long ExitCode() const;

    // The running program's background window (its only top-level window
    // that is no dialog), or null.
    HWND BackgroundWindow() const;
    // Windows ends the session: WM_QUERYENDSESSION, then WM_ENDSESSION with
    // TRUE, are queued for the background window without waiting for them,
    // so the program handles them the next time it looks at its messages,
    // wherever it is. False when there is no background window.
    bool EndSession() const;

    // The stand-in status library `library` beside the program that is
    // started next (INSTALL.EXE of the run's folder, or the one in
    // `programFolder`), writing its report into the run's folder; an earlier
    // report goes.
    void UseStatusLibrary(const std::string& library, const std::string& programFolder = {});
    // The report's text and success flag ("Install failed.|0"), or "(none)".
    std::string StatusReport() const;
    bool IsRunning() const { return m_process && m_process->IsRunning(); }

private:
    TempDir m_dir;
    std::unique_ptr<ui_probe::TestProcess> m_process;
    bool m_bStatusDirectorySet = false;
};

} // namespace setup_run
