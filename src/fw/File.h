#pragma once
// Files of the framework. CFile is an unbuffered file on an operating-system
// handle; CStdioFile adds a C stream on the same handle for buffered reads,
// text mode and line reading. Both throw CFileException when an operation on an
// open file fails; Open reports failure by its result and the optional exception
// it fills in. Not copyable; the destructor closes quietly.
#include "fw/Exception.h"
#if defined(_WIN32)
#include "fw/Handle.h"
#endif

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

struct CFileStatus {
    std::time_t m_ctime = 0;  // creation
    std::time_t m_atime = 0;  // last access
    std::time_t m_mtime = 0;  // last write
    std::uint64_t m_size = 0;
    unsigned char m_attribute = 0;  // CFile::Attribute bits
    std::string m_szFullName;
};

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        // With modeCreate: the file must not exist yet (the open fails with
        // the system's "exists" error otherwise).
        modeCreateNew = 0x10000,
        // Windows: the open file may be given another name (RenameOpen).
        modeRename = 0x20000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum Attribute : unsigned char {
        normal = 0x00, readOnly = 0x01, hidden = 0x02, system = 0x04,
        volume = 0x08, directory = 0x10, archive = 0x20,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() noexcept = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();

    // Opens or creates the file. On failure returns false and, when given,
    // fills in error with the cause, the system's code and the file name.
    virtual bool Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr);
#if defined(_WIN32)
    // Open, but the system is given exactPath (a CExactFolder path, or null
    // for fileName itself); the file is known by fileName all the same.
    virtual bool OpenExact(const char* fileName, const wchar_t* exactPath, unsigned openFlags,
                           CFileException* error = nullptr);
#endif
    // Reads up to count bytes; 0 at the end of the file.
    virtual unsigned Read(void* buffer, unsigned count);
    // Writes all count bytes; fewer bytes written raises cause diskFull.
    virtual void Write(const void* buffer, unsigned count);
    virtual std::uint64_t Seek(std::int64_t offset, SeekPosition from);
    virtual std::uint64_t GetPosition() const;
    virtual std::uint64_t GetLength() const;
    virtual void Flush();
    // Closes the file; a failure is raised after the handle is released.
    virtual void Close();
    // Closes the file ignoring any failure.
    virtual void Abort() noexcept;

    bool IsOpen() const noexcept;
    const std::string& GetFilePath() const noexcept { return m_strFileName; }

    bool GetStatus(CFileStatus& status) const;
    // Status of the named file; false when it cannot be examined.
    static bool GetStatus(const char* fileName, CFileStatus& status);
    // Sets the last-write time (when non-zero) and the attributes (when they
    // differ) of the named file; raises CFileException on failure.
    static void SetStatus(const char* fileName, const CFileStatus& status);
    // The same for this open file, by its handle where the system allows it:
    // no second opening of the file.
    virtual void SetStatus(const CFileStatus& status);
    static void Remove(const char* fileName);
    static void Rename(const char* oldName, const char* newName);
#if defined(_WIN32)
    // Gives the open file, opened with modeRename, the name newName where no
    // file has it yet: one call on its handle, where renaming by path opens
    // it a second time. FALSE with the system's error otherwise
    // (ERROR_ALREADY_EXISTS for a name that is taken). With exactNewName (a
    // CExactFolder path of newName) the system is given that path instead.
    BOOL RenameOpen(const char* newName, const wchar_t* exactNewName = nullptr);
#endif

protected:
    // A CStdioFile's C stream has closed the file: it is forgotten, not closed again.
    void ForgetClosedFile() noexcept;

#if defined(_WIN32)
    // The open file, closed by the destructor. Once a CStdioFile has a C stream
    // on it, the stream closes it and ForgetClosedFile follows.
    CFileHandle m_hFile;
#else
    static constexpr std::intptr_t kInvalid = -1;
    // The file descriptor.
    std::intptr_t m_hFile = kInvalid;
#endif
    std::string m_strFileName;
};

class CStdioFile : public CFile {
public:
    CStdioFile() noexcept = default;
    ~CStdioFile() override;

    // Opens the file and a C stream on it: text mode unless typeBinary is given.
    bool Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr) override;
#if defined(_WIN32)
    bool OpenExact(const char* fileName, const wchar_t* exactPath, unsigned openFlags,
                   CFileException* error = nullptr) override;
#endif
    unsigned Read(void* buffer, unsigned count) override;
    void Write(const void* buffer, unsigned count) override;
    std::uint64_t Seek(std::int64_t offset, SeekPosition from) override;
    std::uint64_t GetPosition() const override;
    void Flush() override;
    void Close() override;
    void Abort() noexcept override;
    // The stream's buffer is written out first.
    void SetStatus(const CFileStatus& status) override;
    using CFile::SetStatus;

    // Reads one line of at most maxChars characters, the line feed kept; a
    // longer line comes in pieces. False at the end of the file.
    bool ReadString(std::string& line, unsigned maxChars = 511);
    void WriteString(const std::string& text);

protected:
    std::FILE* m_pStream = nullptr;
};
