#pragma once
// The administrator's run log ('/L:file'): one line per event of the run,
// appended to the file as it happens, so that a killed run leaves every line
// written before the kill. A line is
//
//     time TAB kind TAB field TAB field ... CR LF
//
// the time local, as 2026-12-08T14:03:59.123; the kinds and their fields are
// listed in the README ("The run log"). A field never holds a tab or a line
// break: every character below 32 becomes a blank; an empty field is
// written as "-". Each line goes to the file
// in one write at its end, so lines of two runs sharing one log never mix.
// A log that is not open takes every line and writes nothing.
#include "fw/Handle.h"

#include <initializer_list>
#include <string>

class CRunLog {
public:
    CRunLog() = default;
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    // Opens `path` for appending, creating it when it is not there; other
    // programs may read it meanwhile. FALSE, with the system's error code in
    // GetLastError, when it cannot be opened or is no file.
    BOOL Open(const std::string& path);
    bool IsOpen() const noexcept { return m_file.IsValid(); }
    const std::string& GetPath() const noexcept { return m_strPath; }

    // Appends one line of `kind` and `fields`. A line that cannot be written
    // is lost, and so are the lines after it (HasFailed); the run goes on.
    void Write(const char* kind, std::initializer_list<std::string> fields) noexcept;
    // A line could not be written since the log was opened.
    bool HasFailed() const noexcept { return m_bFailed; }

private:
    CFileHandle m_file;
    std::string m_strPath;
    bool m_bFailed = false;
};
