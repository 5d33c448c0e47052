#pragma once
// The files the install tests work on: the test DLLs and the helper program
// built beside the test program.
#include <set>
#include <string>

// The folder of the running test program, ending in a backslash.
std::string TestProgramDir();
// A test DLL by name: "v4000", "v4001", "v4010", "unversioned", "damaged".
std::string TestDll(const std::string& name);
// Sets the last-write time of a file (seconds since 1970).
void SetModifiedTime(const std::string& path, long long seconds);

// How HoldOpen.exe holds a file: without delete sharing (the file can be
// neither deleted nor renamed), with it (deleted, it keeps its name until
// closed; it can be renamed), or a DLL mapped as a program's code (it can be
// renamed but not deleted).
enum class HoldMode { noDeleteSharing, deleteSharing, image };

// Keeps a file open in another process (HoldOpen.exe), as a program using it
// would, until destroyed.
class CHeldOpen {
public:
    explicit CHeldOpen(const std::string& path, HoldMode mode = HoldMode::noDeleteSharing);
    ~CHeldOpen();
    CHeldOpen(const CHeldOpen&) = delete;
    CHeldOpen& operator=(const CHeldOpen&) = delete;
    // The helper has the file open.
    bool IsHolding() const noexcept { return m_bHolding; }

private:
    bool Start(const std::string& path, HoldMode mode, unsigned long& exitCode);

    void* m_hRelease = nullptr;
    void* m_hProcess = nullptr;
    bool m_bHolding = false;
};
