#include "archive/MultiFile.h"

#include <algorithm>
#include <limits>

namespace {

// The largest single transfer asked of the file when nothing else cuts it.
constexpr std::int64_t kUnbounded = std::numeric_limits<std::int32_t>::max();

} // namespace

std::int64_t CMultiFile::VolumeRemaining(Side side) const noexcept
{
    // The initial limit stands for none, whatever the totals have reached.
    if (m_nVolumeLimit == kNoVolumeLimit)
        return kUnbounded;
    const std::int64_t total = side == Side::read ? m_nBytesRead : m_nBytesWritten;
    return std::max<std::int64_t>(0, m_nVolumeLimit - total);
}

std::int64_t CMultiFile::BlockRemaining(Side side) const noexcept
{
    if (m_nBlockSize <= 0)
        return kUnbounded;
    const std::int64_t total = side == Side::read ? m_nBytesRead : m_nBytesWritten;
    return m_nBlockSize - total % m_nBlockSize;
}

unsigned CMultiFile::Read(void* buffer, unsigned count)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        std::int64_t chunk = count - done;
        chunk = std::min(chunk, VolumeRemaining(Side::read));
        chunk = std::min(chunk, BlockRemaining(Side::read));
        const unsigned got = chunk > 0 ? RawRead(bytes + done, static_cast<unsigned>(chunk)) : 0;
        done += got;
        m_nBytesRead += got;
        if (VolumeRemaining(Side::read) == 0) {
            if (OnVolumeEnd())
                break;
        }
        if (m_nBlockSize > 0 && BlockRemaining(Side::read) == m_nBlockSize && got > 0)
            OnBlockBoundary();
        if (got < chunk) {
            if (OnVolumeEnd())
                break;
        }
    }
    if (m_bChecksumReads)
        m_checksum.Update(bytes, done);
    return done;
}

void CMultiFile::Write(const void* buffer, unsigned count)
{
    m_checksum.Update(buffer, count);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        std::int64_t chunk = count - done;
        chunk = std::min(chunk, VolumeRemaining(Side::write));
        chunk = std::min(chunk, BlockRemaining(Side::write));
        if (chunk <= 0)
            chunk = count - done;  // a limit already reached cannot stop the write
        CSetupFile::Write(bytes + done, static_cast<unsigned>(chunk));
        m_nBytesWritten += chunk;
        done += static_cast<unsigned>(chunk);
        if (VolumeRemaining(Side::write) == 0)
            OnVolumeEnd();
        if (m_nBlockSize > 0 && m_nBytesWritten % m_nBlockSize == 0)
            OnBlockBoundary();
    }
}

unsigned CMultiFile::RawRead(void* buffer, unsigned count)
{
    // A volume closed at its end reads as empty.
    return IsOpen() ? CStdioFile::Read(buffer, count) : 0;
}
