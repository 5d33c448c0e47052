#pragma once
// The framework's exception kinds. Exceptions are thrown by value and caught by
// reference; each names its run-time class, which the error dialog shows.
#include <string>

class CException {
public:
    virtual ~CException() = default;
    // The class name shown to the user ("CFileException").
    virtual const char* GetRuntimeClassName() const noexcept = 0;
};

class CMemoryException : public CException {
public:
    const char* GetRuntimeClassName() const noexcept override { return "CMemoryException"; }
};

class CNotSupportedException : public CException {
public:
    const char* GetRuntimeClassName() const noexcept override { return "CNotSupportedException"; }
};

class CResourceException : public CException {
public:
    const char* GetRuntimeClassName() const noexcept override { return "CResourceException"; }
};

// Stands for an exception that is not one of the framework's (a standard
// library exception, or anything else thrown), so that it can be reported.
class CUnknownException : public CException {
public:
    const char* GetRuntimeClassName() const noexcept override { return "CException"; }
};

// An operation the user cancelled.
class CUserException : public CException {
public:
    const char* GetRuntimeClassName() const noexcept override { return "CUserException"; }
};

// A failure while saving or loading serialised data.
class CArchiveException : public CException {
public:
    enum { none, generic, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
    explicit CArchiveException(int cause = none) noexcept : m_cause(cause) {}
    const char* GetRuntimeClassName() const noexcept override { return "CArchiveException"; }
    int m_cause;
};

// A failed file operation. The cause is portable; the operating-system code is
// the Win32 error (Windows) or errno (POSIX) it came from, -1 when none.
class CFileException : public CException {
public:
    enum {
        none, generic, fileNotFound, badPath, tooManyOpenFiles, accessDenied,
        invalidFile, removeCurrentDir, directoryFull, badSeek, hardIO,
        sharingViolation, lockViolation, diskFull, endOfFile
    };
    explicit CFileException(int cause = none, long osError = -1, std::string fileName = {})
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}
    const char* GetRuntimeClassName() const noexcept override { return "CFileException"; }

    // Cause for a C run-time error number.
    static int ErrnoToCause(int nErrno) noexcept;
    // Cause for an operating-system error (Win32 GetLastError on Windows, errno on POSIX).
    static int OsErrorToCause(long osError) noexcept;
    [[noreturn]] static void ThrowErrno(int nErrno, const std::string& fileName = {});
    [[noreturn]] static void ThrowOsError(long osError, const std::string& fileName = {});

    int m_cause;
    long m_lOsError;
    std::string m_strFileName;
};

[[noreturn]] void AfxThrowFileException(int cause, long osError = -1, const std::string& fileName = {});
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowUserException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowResourceException();
