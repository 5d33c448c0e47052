#pragma once
// A buffered file that remembers the path it was opened with and opens with
// exceptions: OpenRead and OpenWrite throw the CFileException the framework
// filled in. Writes go straight to the file handle, with a full disk offered
// to OnDiskFull before it ends the write.
#include "fw/File.h"

#include <string>

class CSetupFile : public CStdioFile {
public:
    // Read access, shared with everyone (modeRead | shareDenyNone | typeBinary).
    void OpenRead(const std::string& path, bool binary = true);
    // Created or truncated, held exclusively (modeCreate | modeReadWrite | typeBinary).
    void OpenWrite(const std::string& path, bool binary = true);

    // CFile::Write on the handle, not the stream. A full disk asks OnDiskFull:
    // FALSE throws CFileException diskFull (no OS code, no file name), TRUE
    // tries the whole write again. Any other failure is passed on as it is.
    void Write(const void* buffer, unsigned count) override;

    // The path the file was last opened with.
    virtual const char* GetPathName() const noexcept { return m_path.c_str(); }
    // Whether to try a write again after the disk ran full; no by default.
    virtual bool OnDiskFull(const CFileException& error);

protected:
    std::string m_path;

private:
    void OpenOrThrow(const std::string& path, unsigned flags);
};
