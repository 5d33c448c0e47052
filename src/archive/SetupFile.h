#pragma once
// A buffered file that remembers the path it was opened with and opens with
// exceptions: OpenRead and OpenWrite throw the CFileException the framework
// filled in. Writes go to the file handle (not the C stream), with a full disk
// offered to OnDiskFull before it ends the write. A file that is only written
// may gather its writes first (SetWriteBuffer); they reach the handle when the
// buffer is full, at Flush and at Close.
#include "fw/File.h"

#include <string>
#include <vector>

class CSetupFile : public CStdioFile {
public:
    CSetupFile() = default;
    ~CSetupFile() override;

    static constexpr unsigned kReadBufferSize = 65536;

    // Read access, shared with everyone (modeRead | shareDenyNone | typeBinary),
    // read ahead readBuffer bytes at a time. A seek drops what was read ahead:
    // a reader that seeks between small reads asks for a small buffer.
    void OpenRead(const std::string& path, bool binary = true, unsigned readBuffer = kReadBufferSize);
    // Created or truncated, held exclusively (modeCreate | modeReadWrite | typeBinary).
    void OpenWrite(const std::string& path, bool binary = true);
    // A file that must not exist yet: one that does fails with the system's
    // "exists" error. Others may read it meanwhile, and on Windows it can be
    // renamed while open (RenameOpen). On Windows the system may be given
    // exactPath, a CExactFolder path of the same file, instead.
    void OpenWriteNew(const std::string& path, bool binary = true, const wchar_t* exactPath = nullptr);

    // CFile::Write on the handle. A full disk asks OnDiskFull: FALSE throws
    // CFileException diskFull (no OS code, no file name), TRUE tries the whole
    // write again. Any other failure is passed on as it is, at once.
    void Write(const void* buffer, unsigned count) override;
    void Flush() override;
    // Writes what was gathered first.
    void SetStatus(const CFileStatus& status) override;
    using CStdioFile::SetStatus;
    // Writes what was gathered, then closes; a failure is raised after the
    // file is closed.
    void Close() override;
    // Closes quietly; gathered bytes are dropped.
    void Abort() noexcept override;

    // The path the file was last opened with.
    virtual const char* GetPathName() const noexcept { return m_path.c_str(); }
    // Whether to try a write again after the disk ran full; no by default.
    virtual bool OnDiskFull(const CFileException& error);

protected:
    // Gathers up to size bytes before writing them; 0 (the default) writes
    // each request at once. Few large writes cost far less than many of
    // 4 KB, the size the codecs write in.
    void SetWriteBuffer(unsigned size) noexcept;

    std::string m_path;

private:
    void OpenOrThrow(const std::string& path, unsigned flags, const wchar_t* exactPath = nullptr);
    void WriteThrough(const void* buffer, unsigned count);
    void WritePending();

    std::vector<unsigned char> m_pending;
    unsigned m_nWriteBufferSize = 0;
};
