#pragma once
// One member of an archive: its 346-byte header and the output file it is
// expanded into. The counting Write of CMultiFile folds every expanded byte
// into m_checksum, which ExtractMember compares with the header's. Failures
// are exceptions: CMultiFileException missingEntryHeader for a header
// without "mfen", the framework's file exceptions for the output file.
#include "archive/ArchiveFormat.h"
#include "archive/MultiFile.h"

#include <string>

class CMemberFile : public CMultiFile {
public:
    // A header with magic "mfen", version 1, size 346, continues 0. The
    // output gathers its writes in kOutputBufferSize bytes. Allocates nothing.
    CMemberFile() noexcept;

    static constexpr unsigned kOutputBufferSize = 65536;

    // Reads the next header from the archive with RawRead (uncounted).
    // Returns 0 when fewer than 346 bytes were left (the end of the archive),
    // else 346; a header without "mfen" throws CMultiFileException
    // missingEntryHeader.
    int ReadHeader(CMultiFile& archive);
    // Modified time, size and attribute byte from the status of the file
    // named m_strName (a plain file to copy); throws when it has none.
    void FromFileStatus();
    // Creates the output file new at `path` (OpenWriteNew, which may be
    // given exactPath for it) and makes it the output path; CreateOutput then
    // takes it as it is.
    void CreateNewOutput(const std::string& path, const wchar_t* exactPath = nullptr);
    // Creates the output file (OpenWrite), unless CreateNewOutput has just
    // created it, and resets the written total and the checksum.
    void CreateOutput();
    // Gives the output file the header's time (when non-zero) and attribute
    // byte, by its handle while it is open, then closes it; or, when the
    // output is kept open, leaves it open with all of it written.
    void CloseOutput();
    // The output stays open after CloseOutput, for its owner to rename it by
    // its handle and close it.
    void KeepOutputOpen(bool keep) noexcept { m_bKeepOutputOpen = keep; }

    void SetOutputPath(const std::string& path) { m_strOutputPath = path; }
    const std::string& GetOutputPath() const noexcept { return m_strOutputPath; }
    MemberHeader& Header() noexcept { return m_header; }
    const MemberHeader& Header() const noexcept { return m_header; }
    // The stored name as it stands (it may hold a path) and the comment.
    const std::string& GetName() const noexcept { return m_strName; }
    void SetName(const std::string& name) { m_strName = name; }
    const std::string& GetComment() const noexcept { return m_strComment; }

    // File attribute bits a member may carry onto its file: read-only,
    // hidden, system, archive.
    static constexpr unsigned kFileAttributeMask = 0x27;

protected:
    MemberHeader m_header;
    // Where the member is expanded to; kept whole, a cut path would name
    // another file.
    std::string m_strOutputPath;
    // Copied out of the header when it is read (the name may be a path).
    std::string m_strName;
    std::string m_strComment;
    bool m_bKeepOutputOpen = false;
};
