#include "errors/XException.h"

#include "fw/Strings.h"
#include "res/resource.h"

std::string g_strErrorTitle;
std::string g_strErrorText;

namespace {

// An entry for one of the program's own codes.
template <class Code>
constexpr XMessageEntry Entry(Code code, unsigned titleId, unsigned textId)
{
    return {static_cast<int>(code), titleId, textId};
}

constexpr XMessageEntry kGenericMessages[] = {{kAnyCode, IDS_ERR_UNKNOWN, IDS_ERR_UNKNOWN_TEXT}};
constexpr XMessageEntry kMemoryMessages[] = {{kAnyCode, IDS_ERR_MEMORY, IDS_ERR_MEMORY_TEXT}};
// By the framework's file causes; none and generic take the last entry.
constexpr XMessageEntry kFileMessages[] = {
    {CFileException::fileNotFound, IDS_ERR_FILE_NOT_FOUND, IDS_ERR_FILE_NOT_FOUND_TEXT},
    {CFileException::badPath, IDS_ERR_BAD_PATH, IDS_ERR_BAD_PATH_TEXT},
    {CFileException::tooManyOpenFiles, IDS_ERR_TOO_MANY_FILES, IDS_ERR_TOO_MANY_FILES_TEXT},
    {CFileException::accessDenied, IDS_ERR_ACCESS_DENIED, IDS_ERR_ACCESS_DENIED_TEXT},
    {CFileException::invalidFile, IDS_ERR_INVALID_FILE, IDS_ERR_FILE_TEXT},
    {CFileException::removeCurrentDir, IDS_ERR_REMOVE_CURRENT_DIR, IDS_ERR_FILE_TEXT},
    {CFileException::directoryFull, IDS_ERR_DIRECTORY_FULL, IDS_ERR_DIRECTORY_FULL_TEXT},
    {CFileException::badSeek, IDS_ERR_BAD_SEEK, IDS_ERR_FILE_TEXT},
    {CFileException::hardIO, IDS_ERR_HARDWARE, IDS_ERR_HARDWARE_TEXT},
    {CFileException::sharingViolation, IDS_ERR_SHARING, IDS_ERR_SHARING_TEXT},
    {CFileException::lockViolation, IDS_ERR_LOCKING, IDS_ERR_LOCKING_TEXT},
    {CFileException::diskFull, IDS_ERR_DISK_FULL, IDS_ERR_DISK_FULL_TEXT},
    {CFileException::endOfFile, IDS_ERR_END_OF_FILE, IDS_ERR_FILE_TEXT},
    {kAnyCode, IDS_ERR_FILE, IDS_ERR_FILE_TEXT},
};
constexpr XMessageEntry kArchiveMessages[] = {{kAnyCode, IDS_ERR_ARCHIVE, IDS_ERR_ARCHIVE_TEXT}};
constexpr XMessageEntry kResourceMessages[] = {{kAnyCode, IDS_ERR_RESOURCE, IDS_ERR_RESOURCE_TEXT}};
constexpr XMessageEntry kUserMessages[] = {{kAnyCode, IDS_ERR_CANCELLED, IDS_ERR_CANCELLED_TEXT}};
constexpr XMessageEntry kNotSupportedMessages[] = {{kAnyCode, IDS_ERR_NOT_SUPPORTED, IDS_ERR_NOT_SUPPORTED_TEXT}};
constexpr XMessageEntry kInstallProfileMessages[] = {{kAnyCode, IDS_ERR_PROFILE, IDS_ERR_PROFILE_TEXT}};
// The unknown method stands last, after the other codes.
constexpr XMessageEntry kMultiFileMessages[] = {
    Entry(MultiFileCode::notAnArchive, IDS_ERR_NOT_AN_ARCHIVE, IDS_ERR_NOT_AN_ARCHIVE_TEXT),
    Entry(MultiFileCode::missingEntryHeader, IDS_ERR_MISSING_HEADER, IDS_ERR_MISSING_HEADER_TEXT),
    Entry(MultiFileCode::corruptTable, IDS_ERR_CORRUPT_TABLE, IDS_ERR_CORRUPT_TABLE_TEXT),
    Entry(MultiFileCode::checksumMismatch, IDS_ERR_CRC_MISMATCH, IDS_ERR_CRC_MISMATCH_TEXT),
    Entry(MultiFileCode::unknownMethod, IDS_ERR_UNKNOWN_METHOD, IDS_ERR_UNKNOWN_METHOD_TEXT),
};
constexpr XMessageEntry kZLibMessages[] = {
    Entry(ZLibCode::otherError, IDS_ERR_ZLIB, IDS_ERR_ZLIB_TEXT),
    Entry(ZLibCode::streamError, IDS_ERR_ZLIB_STREAM, IDS_ERR_ZLIB_TEXT),
    Entry(ZLibCode::dataError, IDS_ERR_ZLIB_DATA, IDS_ERR_ZLIB_TEXT),
    Entry(ZLibCode::bufferError, IDS_ERR_ZLIB_BUFFER, IDS_ERR_ZLIB_TEXT),
};

} // namespace

void CXException::PrepareMessage() const
{
    g_strErrorTitle.clear();
    g_strErrorText.clear();
    LoadMessage();
}

void CXException::LoadMessage() const
{
    FindMessage(kGenericMessages);
}

void CXException::FindMessage(const XMessageEntry* table, std::size_t count) const
{
    for (std::size_t i = 0; i < count; ++i) {
        const XMessageEntry& entry = table[i];
        if (entry.code != kAnyCode && entry.code != m_nCode)
            continue;
        if (entry.titleId != 0 && g_strErrorTitle.empty())
            g_strErrorTitle = AfxLoadString(entry.titleId);
        if (entry.textId != 0 && g_strErrorText.empty())
            g_strErrorText = AfxLoadString(entry.textId);
        return;
    }
}

template <std::size_t N>
void CXException::FindOwnThenGeneric(const XMessageEntry (&table)[N]) const
{
    FindMessage(table, N);
    FindMessage(kGenericMessages);
}

void CInstallProfileException::LoadMessage() const { FindOwnThenGeneric(kInstallProfileMessages); }
void CMultiFileException::LoadMessage() const { FindOwnThenGeneric(kMultiFileMessages); }
void CZLibException::LoadMessage() const { FindOwnThenGeneric(kZLibMessages); }
void CXMemoryException::LoadMessage() const { FindOwnThenGeneric(kMemoryMessages); }
void CXFileException::LoadMessage() const { FindOwnThenGeneric(kFileMessages); }
void CXArchiveException::LoadMessage() const { FindOwnThenGeneric(kArchiveMessages); }
void CXResourceException::LoadMessage() const { FindOwnThenGeneric(kResourceMessages); }
void CXUserException::LoadMessage() const { FindOwnThenGeneric(kUserMessages); }
void CXNotSupportedException::LoadMessage() const { FindOwnThenGeneric(kNotSupportedMessages); }

std::unique_ptr<CXException> MapException(const CException& e)
{
    if (dynamic_cast<const CMemoryException*>(&e))
        return std::make_unique<CXMemoryException>();
    if (const auto* file = dynamic_cast<const CFileException*>(&e))
        return std::make_unique<CXFileException>(file->m_cause);
    if (const auto* archive = dynamic_cast<const CArchiveException*>(&e))
        return std::make_unique<CXArchiveException>(archive->m_cause);
    if (dynamic_cast<const CNotSupportedException*>(&e))
        return std::make_unique<CXNotSupportedException>();
    if (dynamic_cast<const CResourceException*>(&e))
        return std::make_unique<CXResourceException>();
    if (dynamic_cast<const CUserException*>(&e))
        return std::make_unique<CXUserException>();
    return std::make_unique<CXException>(1);
}
