#pragma once
// A setup file that counts what passes through its Read and Write, keeps a
// running checksum over those bytes, and cuts every transfer where a total
// reaches a multiple of the block size or the volume limit, calling the hooks
// there: OnBlockBoundary (progress) and OnVolumeEnd (next volume). The totals
// and the checksum run on across reopening, over the volumes of an archive.
#include "archive/Checksum.h"
#include "archive/SetupFile.h"

#include <cstdint>

class CMultiFile : public CSetupFile {
public:
    enum class Side { read, write };

    // The initial volume limit: no limit.
    static constexpr std::int64_t kNoVolumeLimit = 2147483647;

    // The counting read: returns the bytes placed in buffer. A short read from
    // the file asks OnVolumeEnd; FALSE means it opened more data, and the rest
    // of the request is read from there.
    unsigned Read(void* buffer, unsigned count) override;
    // The counting write: the checksum takes the whole request first.
    void Write(const void* buffer, unsigned count) override;
    // The framework's read: nothing counted, no hook, no checksum. The
    // counting read takes its pieces with it. A closed file reads as empty.
    virtual unsigned RawRead(void* buffer, unsigned count);
    // Called each time a total reaches a multiple of the block size.
    virtual void OnBlockBoundary() {}
    // Called at the end of a volume; TRUE ends the read there.
    virtual bool OnVolumeEnd() { return true; }

    std::int64_t VolumeRemaining(Side side) const noexcept;
    std::int64_t BlockRemaining(Side side) const noexcept;

    std::int32_t m_nBlockSize = 0;              // 0: no blocks
    std::int64_t m_nVolumeLimit = kNoVolumeLimit;
    // 64-bit so that a member of up to 4 GB (its size field is 32 bits
    // unsigned) or a long archive cannot overflow them.
    std::int64_t m_nBytesRead = 0;
    std::int64_t m_nBytesWritten = 0;
    CChecksum m_checksum;

protected:
    // Whether the counting read folds its bytes into m_checksum. An archive
    // clears it: what counts is the checksum of each member's expanded bytes,
    // and nobody looks at that of the packed ones.
    bool m_bChecksumReads = true;
};
