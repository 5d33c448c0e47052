#pragma once
// The archive being read: its volume signature, the walk over its member
// headers, and the expansion of one member through a codec. Only packed data
// passes through the counting Read (block size 4096), so only packed data
// feeds progress and the change to the next volume; headers and signatures
// are read uncounted. Failures are exceptions: CMultiFileException
// (unknownMethod, notAnArchive for no "mflh", missingEntryHeader for no "mfen",
// checksumMismatch), CZLibException from the codec, the framework's file and
// user exceptions.
#include "archive/Codec.h"
#include "archive/MemberFile.h"

#include <memory>
#include <string>
#include <vector>

class CArchiveFile : public CMultiFile {
public:
    static constexpr std::int32_t kBlockSize = 4096;

    CArchiveFile();
    ~CArchiveFile() override;

    // Opens the first volume and reads its signature.
    void OpenArchive(const std::string& path);
    // Reads the 8-byte signature: fewer bytes throw CFileException endOfFile,
    // a magic other than "mflh" CMultiFileException notAnArchive. Returns 8.
    int ReadSignature();
    // Reads the next member header into member; false at the end of the archive.
    bool NextMember(CMemberFile& member);
    // The codec for a packing method: copy for 2, zlib for 4, none otherwise.
    virtual std::unique_ptr<CCodec> CreateCodec(std::int32_t method, std::int32_t option);
    // Expands the member whose header was just read into its output file,
    // closes it and gives it its time and attributes; then throws
    // CUserException when the codec was aborted, CMultiFileException
    // checksumMismatch when a non-zero stored checksum differs from the
    // expanded bytes'. After an exception the output file stays open and in
    // place.
    void ExtractMember(CMemberFile& member);
    // Reads and drops the member's packed data through the counting read, so
    // the walk stays in step and volume changes happen as in an expansion.
    // Packed data that ends early throws CFileException endOfFile.
    void SkipMember(CMemberFile& member);
    // Asks the running codec to stop after its member; otherwise nothing.
    // (Unlike CFile::Abort this never closes the file.)
    void Abort() noexcept override;

    // A short read at the end of a volume: closes it and, when the member
    // being expanded continues, opens the next volume (the name with its last
    // character raised, looked for by FindNextVolume) and reads its
    // signature; returns false so the read goes on there.
    bool OnVolumeEnd() override;
    // Where the next volume named name is; by default beside the current
    // one. False: it cannot be had (a CUserException follows).
    virtual bool FindNextVolume(const std::string& name, std::string& path);

    // The volume being read, counted from 1.
    int GetVolumeNumber() const noexcept { return m_nVolume; }
    const CMemberFile* GetCurrentMember() const noexcept { return m_pCurrent; }

protected:
    CCodec* m_pCodec = nullptr;         // the codec of the member being expanded, one of m_codecs
    CMemberFile* m_pCurrent = nullptr;  // the member being expanded; not owned
    int m_nVolume = 0;

private:
    // The codec of a method, made at its first member and kept for the
    // members after it: its buffers and zlib's state and window are made
    // once per archive, not once per member. Null for an unknown method.
    CCodec* CodecFor(std::int32_t method, std::int32_t option);

    struct MadeCodec {
        std::int32_t method, option;
        std::unique_ptr<CCodec> codec;
    };
    std::vector<MadeCodec> m_codecs;
};
