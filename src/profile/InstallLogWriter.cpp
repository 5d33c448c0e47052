#include "profile/InstallLogWriter.h"

#include <utility>

namespace {

// The profile API compares section names and keys without regard to case.
std::string Upper(const std::string& text)
{
    std::string upper = text;
    if (!upper.empty())
        ::CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

// A list of NUL-terminated strings ending in an empty one, as the profile
// API's section calls give and take them; reads with a buffer that grows
// until the list fits.
template <typename Read>
std::vector<std::string> ReadStringList(Read read)
{
    std::vector<char> buffer(32768);
    for (;;) {
        const DWORD length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
        // A list cut to fit is given back two characters short of the room.
        if (length + 2 < buffer.size() || buffer.size() >= (64u << 20)) {
            std::vector<std::string> strings;
            for (DWORD at = 0; at < length && buffer[at];) {
                strings.emplace_back(buffer.data() + at);
                at += static_cast<DWORD>(strings.back().size()) + 1;
            }
            return strings;
        }
        buffer.resize(buffer.size() * 4);
    }
}

} // namespace

// ---- Sections in memory ------------------------------------------------------

void CInstallLogWriter::CSection::Set(const std::string& key, const std::string& value)
{
    const auto [it, added] = index.emplace(Upper(key), entries.size());
    if (added)
        entries.push_back({key, value});
    else
        entries[it->second].value = value;
}

CInstallLogWriter::CSection& CInstallLogWriter::CSectionList::Get(const std::string& name)
{
    const auto [it, added] = m_index.emplace(Upper(name), m_sections.size());
    if (added)
        m_sections.push_back({name, {}, {}});
    return m_sections[it->second];
}

const CInstallLogWriter::CSection* CInstallLogWriter::CSectionList::Find(const std::string& name) const
{
    const auto it = m_index.find(Upper(name));
    return it == m_index.end() ? nullptr : &m_sections[it->second];
}

BOOL CInstallLogWriter::CReservations::WriteLine(const std::string& section, const std::string& key,
                                                 const std::string& value)
{
    if (m_owner.m_written.count(LineKey(section, key)) == 0)
        m_owner.m_reserved.push_back({section, {key, value}});
    return TRUE;
}

BOOL CInstallLogWriter::CInterimLines::WriteLine(const std::string& section, const std::string& key,
                                                 const std::string& value)
{
    m_sections.Get(section).Set(key, value);
    return TRUE;
}

// ---- The log -----------------------------------------------------------------

CInstallLogWriter::CInstallLogWriter(const CPathName& log) : m_logPath(log), m_scratchPath(log)
{
    m_scratchPath.SetFileName("~" + log.GetFileName());
}

CInstallLogWriter::~CInstallLogWriter()
{
    try {
        Close();
    } catch (...) {
    }
}

std::string CInstallLogWriter::LineKey(const std::string& section, const std::string& key)
{
    return Upper(section) + '\n' + Upper(key);
}

void CInstallLogWriter::Open()
{
    m_bExisted = m_logPath.Exists();
    if (!m_scratchPath.IsEmpty())
        ::DeleteFileA(m_scratchPath);
    if (!m_bExisted)
        return;
    const std::string file = m_logPath.GetPath();
    const auto names = ReadStringList([&file](char* buffer, DWORD size) {
        return ::GetPrivateProfileSectionNamesA(buffer, size, file.c_str());
    });
    for (const std::string& name : names) {
        CSection& section = m_sections.Get(name);
        const auto lines = ReadStringList([&file, &name](char* buffer, DWORD size) {
            return ::GetPrivateProfileSectionA(name.c_str(), buffer, size, file.c_str());
        });
        for (const std::string& line : lines) {
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos)
                section.Set(line, std::string());
            else
                section.Set(line.substr(0, equals), line.substr(equals + 1));
        }
    }
}

BOOL CInstallLogWriter::WriteLine(const std::string& section, const std::string& key, const std::string& value)
{
    m_sections.Get(section).Set(key, value);
    m_written.insert(LineKey(section, key));
    m_bChanged = true;
    return TRUE;
}

bool CInstallLogWriter::IsInFile(const std::string& section, const std::string& key) const
{
    return m_inFile.count(LineKey(section, key)) != 0;
}

BOOL CInstallLogWriter::Flush()
{
    CSectionList version = m_sections;
    for (const auto& [section, entry] : m_reserved) {
        if (m_written.count(LineKey(section, entry.key)) == 0)
            version.Get(section).Set(entry.key, entry.value);
    }
    if (m_interim) {
        CInterimLines interim(version);
        m_interim(interim);
    }
    const BOOL written = WriteVersion(version);
    // A version that could not be written is not tried again for the same
    // lines: the run goes on as it would with a log the profile API refuses.
    for (const auto& [section, entry] : m_reserved)
        m_inFile.insert(LineKey(section, entry.key));
    m_reserved.clear();
    m_inFile.insert(m_written.begin(), m_written.end());
    m_bChanged = true;
    return written;
}

BOOL CInstallLogWriter::Close()
{
    m_reserved.clear();
    if (!m_bChanged)
        return TRUE;
    m_bChanged = false;
    if (m_sections.All().empty() && !m_bExisted) {
        // Nothing of this run was for good, and there was no log before.
        ::DeleteFileA(m_logPath);
        return TRUE;
    }
    return WriteVersion(m_sections);
}

BOOL CInstallLogWriter::WriteVersion(const CSectionList& sections)
{
    if (m_scratchPath.IsEmpty())
        return FALSE;
    const char* scratch = m_scratchPath;
    // A new, empty file: the profile API adds to what a file holds.
    const HANDLE created = ::CreateFileA(scratch, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return FALSE;
    ::CloseHandle(created);

    BOOL complete = TRUE;
    std::string text;
    for (const CSection& section : sections.All()) {
        text.clear();
        for (const CEntry& entry : section.entries) {
            text += entry.key;
            text += '=';
            text += entry.value;
            text += '\0';
        }
        if (section.entries.empty()) {
            // An empty section stays as a heading: a line added and taken
            // away again leaves it.
            complete = ::WritePrivateProfileStringA(section.name.c_str(), "~", "", scratch) &&
                       ::WritePrivateProfileStringA(section.name.c_str(), "~", nullptr, scratch) && complete;
            continue;
        }
        text += '\0';
        if (!::WritePrivateProfileSectionA(section.name.c_str(), text.c_str(), scratch))
            complete = FALSE;
    }
    // Flushes Wine's cache of the scratch file to the disk.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, scratch);
    if (!complete || !::MoveFileExA(scratch, m_logPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(scratch);
        return FALSE;
    }
    return TRUE;
}
