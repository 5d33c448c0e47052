#pragma once
// Starts the UI showcase (ui_showcase.exe, path given by the build) for one
// test and finds its windows.
#include "Showcase.h"
#include "support/UiProbe.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace showcase {

inline std::unique_ptr<ui_probe::TestProcess> Start(const std::string& arguments)
{
    return std::make_unique<ui_probe::TestProcess>(PELTO_UI_SHOWCASE, arguments);
}

// The visible top-level window of `process` with `title` ("#32770" dialogs
// when `dialogsOnly`), or null after the timeout.
inline HWND WaitForWindow(const ui_probe::TestProcess& process, const std::string& title, bool dialogsOnly = false)
{
    ui_probe::WindowQuery query;
    query.processId = process.Id();
    query.title = title;
    if (dialogsOnly)
        query.className = "#32770";
    return ui_probe::WaitForWindow(query);
}

// Waits for the end of `process`; its exit code, or -1 when it did not end.
inline long ExitCode(const ui_probe::TestProcess& process)
{
    DWORD code = 0;
    if (!process.WaitForExit(&code))
        return -1;
    return static_cast<long>(code);
}

} // namespace showcase
