#pragma once
// CPathName: one Windows path in the ANSI code page, at most 259 characters.
// All path arithmetic splits the path into drive, directory, name and extension
// (as the C run-time does, honouring double-byte lead bytes) and assembles it
// again, so changing one component never disturbs the others. A directory is
// held with an empty name and a trailing backslash ('C:\WINDOWS\').
//
// Limits: the path holds at most 259 characters, its directory, name and
// extension at most 255 each (in the C run-time's split form: the directory with
// its trailing separator, the extension with its dot). A text or a change whose
// result would break a limit is refused: the path stays as it was and the
// setter or writer answers FALSE, so a path is never cut to a different file.
// Construction and assignment, which give no answer, leave the path empty.
//
// File-system questions and changes answer TRUE/FALSE (or 0) and never alter the
// path; an empty path names nothing (it exists nowhere, on no drive). Only
// CreateDirectoryOrThrow throws (CFileException).
#include <windows.h>

#include <ctime>
#include <string>

class CPathName {
public:
    // Folder codes for the folder constructor.
    enum {
        pathCurrentDir = 0,
        pathWindowsDir = 1,
        pathSystemDir = 2,
        pathModuleDir = 3,
        pathTempDir = 4
    };

    // Room of the C run-time buffers, terminator included.
    static constexpr size_t kMaxPath = 260;
    static constexpr size_t kMaxDrive = 3;
    static constexpr size_t kMaxDir = 256;
    static constexpr size_t kMaxName = 256;
    static constexpr size_t kMaxExt = 256;

    CPathName() = default;
    // A text that SetPath refuses gives an empty path.
    CPathName(const char* text);
    CPathName(const std::string& text);
    // A system folder, ending in a backslash; empty for an unknown code or when
    // the folder cannot be read or does not fit.
    explicit CPathName(int folderCode);

    // A text that SetPath refuses empties the path.
    CPathName& operator=(const char* text);
    CPathName& operator=(const std::string& text);

    operator const char*() const noexcept { return m_strPath.c_str(); }
    const std::string& GetPath() const noexcept { return m_strPath; }
    BOOL IsEmpty() const noexcept { return m_strPath.empty(); }
    void Empty() noexcept { m_strPath.clear(); }

    // Sets the whole path; FALSE (path unchanged) when the text breaks a limit
    // or holds a NUL character.
    BOOL SetPath(const std::string& text);
    // The full file name of the running program; on failure the path is empty.
    BOOL SetModuleFileName();

    // Readers. Components in normal form: drive without colon ('C'), directory
    // without its trailing backslash unless it is the root ('\PELTO', '\'),
    // extension without its dot ('exe'). Any output of SplitPath may be null.
    void SplitPath(std::string* drive, std::string* directory, std::string* name,
                   std::string* extension) const;
    void GetDrive(std::string& out) const;
    // 'C:\PELTO'. Without a drive letter (UNC or relative path) the directory
    // alone ('\\server\share\PELTO'); "" when there is no directory either.
    void GetDriveDirectory(std::string& out) const;
    void GetDirectory(std::string& out) const;
    void GetFileName(std::string& out) const;
    void GetName(std::string& out) const;
    std::string GetDrive() const { std::string s; GetDrive(s); return s; }
    std::string GetDriveDirectory() const { std::string s; GetDriveDirectory(s); return s; }
    std::string GetDirectory() const { std::string s; GetDirectory(s); return s; }
    std::string GetFileName() const { std::string s; GetFileName(s); return s; }
    std::string GetName() const { std::string s; GetName(s); return s; }

    // Writers: each replaces what it names and keeps the other components.
    // FALSE when the result would break a limit; the path is then unchanged.
    // MakePath takes null for an absent component; a null extension adds nothing.
    BOOL MakePath(const char* drive, const char* directory, const char* name, const char* extension);
    BOOL SetDrive(char letter);
    BOOL SetDirectory(const std::string& text);
    BOOL SetDriveDirectory(const std::string& text);
    BOOL SetName(const std::string& text);
    BOOL SetExtension(const std::string& text);
    BOOL SetFileName(const std::string& text);
    BOOL AppendDirectory(const std::string& text);
    // Drops the last directory ('C:\PELTO\DATA\' becomes 'C:\PELTO\'); `out`, when
    // given, receives it ('DATA'). At the root the path stays and `out` gets "\".
    BOOL RemoveLastDirectory(std::string* out = nullptr);
    BOOL SetToRoot();
    // Chooses an 8-hex-digit name from the C run-time's rand sequence (never
    // seeded here); with mustBeNew, one that does not exist yet. FALSE when no
    // try succeeded (the path then keeps the last name tried) or none was made.
    BOOL MakeUniqueName(BOOL mustBeNew, int tries);

    // File-system questions.
    BOOL Exists() const;
    BOOL DirectoryExists() const;
    // Makes GetDriveDirectory() the current directory; used as an existence test.
    BOOL EnterDirectory() const;
    // Last-write time in seconds since 1970, 0 when the file cannot be examined.
    time_t GetModifiedTime() const;
    UINT GetDriveType() const;
    BOOL IsRemovable() const;
    BOOL GetDiskFreeSpace(DWORD& sectorsPerCluster, DWORD& bytesPerSector, DWORD& freeClusters,
                          DWORD& totalClusters) const;
    // Free bytes in 32 bits: 0xFFFFFFFF when there are more (never wrapped).
    DWORD GetFreeBytes() const;
    DWORD GetClusterSize() const;

    // File-system changes.
    BOOL Delete(BOOL clearReadOnly) const;
    BOOL Rename(const char* newName) const;
    BOOL RemoveDirectory() const;
    // TRUE when the directory exists afterwards; with `recursive`, missing
    // parents are created first.
    BOOL CreateDirectory(BOOL recursive) const;
    // As CreateDirectory, but a failure throws CFileException for the C
    // run-time error number (cause from errno, OS code from GetLastError).
    void CreateDirectoryOrThrow(BOOL recursive) const;

    // The code page whose lead bytes splitting honours: CP_ACP, the process's
    // ANSI code page. Tests set a double-byte one to exercise it on any system.
    static UINT GetSplitCodePage() noexcept;
    static void SetSplitCodePage(UINT codePage) noexcept;

private:
    struct CParts {
        std::string drive, directory, name, extension;
    };
    CParts Split() const;
    BOOL Assemble(const CParts& parts);
    std::string RootPath() const;

    std::string m_strPath;
};
