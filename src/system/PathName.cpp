#include "system/PathName.h"

#include "fw/Exception.h"
#include "fw/Handle.h"

#include <direct.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

UINT g_nSplitCodePage = CP_ACP;

bool IsLeadByte(unsigned char c)
{
    return g_nSplitCodePage == CP_ACP ? ::IsDBCSLeadByte(c) != FALSE
                                      : ::IsDBCSLeadByteEx(g_nSplitCodePage, c) != FALSE;
}

// Length of the character starting at `pos`: a lead byte takes the next byte with it.
size_t CharLength(const std::string& text, size_t pos)
{
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// Offset of the last character equal to the single-byte `c`, never a trail byte.
size_t FindLastChar(const std::string& text, char c)
{
    size_t found = std::string::npos;
    for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        if (text[pos] == c)
            found = pos;
    }
    return found;
}

// Offset of the first such character from `from`, which starts a character.
size_t FindNextChar(const std::string& text, char c, size_t from)
{
    for (size_t pos = from; pos < text.size(); pos += CharLength(text, pos)) {
        if (text[pos] == c)
            return pos;
    }
    return std::string::npos;
}

bool EndsWithChar(const std::string& text, char c)
{
    size_t last = std::string::npos;
    for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos))
        last = pos;
    return last != std::string::npos && last + 1 == text.size() && text[last] == c;
}

// The normalisation rules the writers apply to their texts.
void RemoveTrailingChar(std::string& text, char c)
{
    if (EndsWithChar(text, c))
        text.pop_back();
}

void RemoveTrailingBackslash(std::string& text)
{
    if (text.size() > 1)
        RemoveTrailingChar(text, '\\');
}

void RemoveLeadingChar(std::string& text, char c)
{
    if (!text.empty() && text[0] == c)
        text.erase(0, 1);
}

void RemoveLeadingBackslash(std::string& text)
{
    if (text.size() > 1)
        RemoveLeadingChar(text, '\\');
}

void EnsureTrailingBackslash(std::string& text)
{
    if (!EndsWithChar(text, '\\'))
        text += '\\';
}

void EnsureLeadingBackslash(std::string& text)
{
    if (text.empty() || text[0] != '\\')
        text.insert(text.begin(), '\\');
}

struct RawParts {
    std::string drive, directory, name, extension;
};

// The C run-time split: drive with its colon, directory with its trailing
// separator, extension with its dot.
RawParts SplitRaw(const std::string& path)
{
    RawParts parts;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':' && CharLength(path, 0) == 1) {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    size_t lastSeparator = std::string::npos;
    size_t lastDot = std::string::npos;
    for (size_t pos = start; pos < path.size(); pos += CharLength(path, pos)) {
        if (CharLength(path, pos) != 1)
            continue;
        if (path[pos] == '\\' || path[pos] == '/')
            lastSeparator = pos;
        else if (path[pos] == '.')
            lastDot = pos;
    }
    size_t nameStart = start;
    if (lastSeparator != std::string::npos) {
        parts.directory = path.substr(start, lastSeparator + 1 - start);
        nameStart = lastSeparator + 1;
    }
    if (lastDot != std::string::npos && lastDot >= nameStart) {
        parts.name = path.substr(nameStart, lastDot - nameStart);
        parts.extension = path.substr(lastDot);
    } else {
        parts.name = path.substr(nameStart);
    }
    return parts;
}

// True when the text can be held: no NUL, within the path's and every
// component's room.
bool Fits(const std::string& path)
{
    if (path.size() >= CPathName::kMaxPath || path.find('\0') != std::string::npos)
        return false;
    const RawParts parts = SplitRaw(path);
    return parts.drive.size() < CPathName::kMaxDrive && parts.directory.size() < CPathName::kMaxDir &&
           parts.name.size() < CPathName::kMaxName && parts.extension.size() < CPathName::kMaxExt;
}

// The C run-time assembly; a null extension adds nothing.
std::string MakePathText(const std::string& drive, const std::string& directory, const std::string& name,
                         const std::string* extension)
{
    std::string path;
    if (!drive.empty()) {
        path += drive[0];
        path += ':';
    }
    if (!directory.empty()) {
        path += directory;
        if (!EndsWithChar(directory, '\\') && !EndsWithChar(directory, '/'))
            path += '\\';
    }
    path += name;
    if (extension && !extension->empty()) {
        if ((*extension)[0] != '.')
            path += '.';
        path += *extension;
    }
    return path;
}

// Drive, colon and directory in normal form ('C:\PELTO', 'C:\'); without a
// drive letter the directory alone.
std::string DriveDirectoryText(const std::string& path)
{
    RawParts parts = SplitRaw(path);
    RemoveTrailingBackslash(parts.directory);
    return parts.drive.empty() ? parts.directory : parts.drive.substr(0, 1) + ':' + parts.directory;
}

// True when a search for `pattern` finds an entry.
bool FindsEntry(const std::string& pattern)
{
    WIN32_FIND_DATAA data;
    return CFindHandle(::FindFirstFileA(pattern.c_str(), &data)).IsValid();
}

bool ChangeDirectory(const std::string& directory)
{
    return !directory.empty() && ::_chdir(directory.c_str()) == 0;
}

// A folder read by a Windows call into a buffer of kMaxPath; "" when the call
// fails or the folder does not fit.
template <typename Reader>
std::string ReadFolder(Reader read)
{
    char buffer[CPathName::kMaxPath];
    const DWORD length = read(buffer, static_cast<DWORD>(sizeof buffer));
    if (length == 0 || length >= sizeof buffer)
        return {};
    return std::string(buffer, length);
}

} // namespace

UINT CPathName::GetSplitCodePage() noexcept
{
    return g_nSplitCodePage;
}

void CPathName::SetSplitCodePage(UINT codePage) noexcept
{
    g_nSplitCodePage = codePage;
}

CPathName::CPathName(const char* text)
{
    SetPath(text ? text : "");
}

CPathName::CPathName(const std::string& text)
{
    SetPath(text);
}

CPathName::CPathName(int folderCode)
{
    switch (folderCode) {
    case pathCurrentDir:
    case pathWindowsDir:
    case pathSystemDir: {
        const std::string folder = ReadFolder([folderCode](char* buffer, DWORD size) {
            if (folderCode == pathCurrentDir)
                return ::GetCurrentDirectoryA(size, buffer);
            if (folderCode == pathWindowsDir)
                return static_cast<DWORD>(::GetWindowsDirectoryA(buffer, size));
            return static_cast<DWORD>(::GetSystemDirectoryA(buffer, size));
        });
        if (!folder.empty())
            SetDriveDirectory(folder);
        break;
    }
    case pathModuleDir:
        if (SetModuleFileName())
            SetFileName("");
        break;
    case pathTempDir: {
        const std::string folder =
            ReadFolder([](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); });
        if (SetPath(folder))
            SetFileName("");
        break;
    }
    default:
        break;
    }
}

CPathName& CPathName::operator=(const char* text)
{
    return *this = std::string(text ? text : "");
}

// The answer is not seen here: a refused text must not leave the old path
// looking like the new one.
CPathName& CPathName::operator=(const std::string& text)
{
    if (!SetPath(text))
        Empty();
    return *this;
}

BOOL CPathName::SetPath(const std::string& text)
{
    if (!Fits(text))
        return FALSE;
    m_strPath = text;
    return TRUE;
}

BOOL CPathName::SetModuleFileName()
{
    // A name that fills the buffer has been cut short: it is not this program.
    const std::string name = ReadFolder([](char* buffer, DWORD size) {
        return ::GetModuleFileNameA(nullptr, buffer, size);
    });
    if (name.empty() || !SetPath(name)) {
        Empty();
        return FALSE;
    }
    return TRUE;
}

CPathName::CParts CPathName::Split() const
{
    RawParts raw = SplitRaw(m_strPath);
    RemoveTrailingChar(raw.drive, ':');
    RemoveTrailingBackslash(raw.directory);
    RemoveLeadingChar(raw.extension, '.');
    return {raw.drive, raw.directory, raw.name, raw.extension};
}

BOOL CPathName::Assemble(const CParts& parts)
{
    return SetPath(MakePathText(parts.drive, parts.directory, parts.name, &parts.extension));
}

void CPathName::SplitPath(std::string* drive, std::string* directory, std::string* name,
                          std::string* extension) const
{
    CParts parts = Split();
    if (drive)
        *drive = std::move(parts.drive);
    if (directory)
        *directory = std::move(parts.directory);
    if (name)
        *name = std::move(parts.name);
    if (extension)
        *extension = std::move(parts.extension);
}

void CPathName::GetDrive(std::string& out) const
{
    SplitPath(&out, nullptr, nullptr, nullptr);
}

void CPathName::GetDriveDirectory(std::string& out) const
{
    out = DriveDirectoryText(m_strPath);
}

void CPathName::GetDirectory(std::string& out) const
{
    SplitPath(nullptr, &out, nullptr, nullptr);
}

void CPathName::GetFileName(std::string& out) const
{
    const CParts parts = Split();
    out = parts.extension.empty() ? parts.name : parts.name + '.' + parts.extension;
}

void CPathName::GetName(std::string& out) const
{
    SplitPath(nullptr, nullptr, &out, nullptr);
}

BOOL CPathName::MakePath(const char* drive, const char* directory, const char* name, const char* extension)
{
    const std::string ext = extension ? extension : "";
    return SetPath(MakePathText(drive ? drive : "", directory ? directory : "", name ? name : "",
                                extension ? &ext : nullptr));
}

BOOL CPathName::SetDrive(char letter)
{
    CParts parts = Split();
    parts.drive = letter ? std::string(1, letter) : std::string();
    return Assemble(parts);
}

BOOL CPathName::SetDirectory(const std::string& text)
{
    CParts parts = Split();
    parts.directory = text;
    EnsureLeadingBackslash(parts.directory);
    EnsureTrailingBackslash(parts.directory);
    return Assemble(parts);
}

BOOL CPathName::SetDriveDirectory(const std::string& text)
{
    std::string folder = text;
    EnsureTrailingBackslash(folder);
    const RawParts given = SplitRaw(folder);
    CParts parts = Split();
    return SetPath(MakePathText(given.drive, given.directory, parts.name, &parts.extension));
}

BOOL CPathName::SetName(const std::string& text)
{
    CParts parts = Split();
    parts.name = text;
    return Assemble(parts);
}

BOOL CPathName::SetExtension(const std::string& text)
{
    CParts parts = Split();
    parts.extension = text;
    return Assemble(parts);
}

BOOL CPathName::SetFileName(const std::string& text)
{
    const CParts parts = Split();
    return SetPath(MakePathText(parts.drive, parts.directory, text, nullptr));
}

BOOL CPathName::AppendDirectory(const std::string& text)
{
    if (text.empty())
        return TRUE;
    std::string tail = text;
    RemoveLeadingBackslash(tail);
    EnsureTrailingBackslash(tail);
    CParts parts = Split();
    // Joined with one backslash, also at the root ('C:\' gives 'C:\DATA\').
    EnsureTrailingBackslash(parts.directory);
    parts.directory += tail;
    return Assemble(parts);
}

BOOL CPathName::RemoveLastDirectory(std::string* out)
{
    std::string directory = GetDirectory();
    RemoveTrailingBackslash(directory);
    if (directory.empty())
        return TRUE;
    const size_t last = FindLastChar(directory, '\\');
    if (last == std::string::npos) {
        // A relative directory of one level ('DATA\pelto.exe'): it goes and the
        // path stays relative ('pelto.exe').
        if (out)
            *out = directory;
        CParts parts = Split();
        parts.directory.clear();
        return Assemble(parts);
    }
    if (out) {
        *out = directory.substr(last);
        RemoveLeadingBackslash(*out);
    }
    return SetDirectory(directory.substr(0, last));
}

BOOL CPathName::SetToRoot()
{
    CPathName root(*this);
    if (!root.SetDirectory("") || !root.SetFileName(""))
        return FALSE;
    *this = root;
    return TRUE;
}

BOOL CPathName::MakeUniqueName(BOOL mustBeNew, int tries)
{
    for (int attempt = 0; attempt < tries; ++attempt) {
        char candidate[5 * 4 + 1];
        const int a = std::rand(), b = std::rand(), c = std::rand(), d = std::rand(), e = std::rand();
        std::snprintf(candidate, sizeof candidate, "%.4x%.4x%.4x%.4x%.4x", a, b, c, d, e);
        if (!SetName(std::string(candidate, 8)))
            return FALSE;
        if (!mustBeNew || !Exists())
            return TRUE;
    }
    return FALSE;
}

// An empty path names nothing; searched as it is, its pattern would look in
// the current directory.
BOOL CPathName::Exists() const
{
    return !IsEmpty() && FindsEntry(m_strPath);
}

BOOL CPathName::DirectoryExists() const
{
    if (IsEmpty())
        return FALSE;
    const CParts parts = Split();
    return FindsEntry(MakePathText(parts.drive, parts.directory, "*.*", nullptr));
}

BOOL CPathName::EnterDirectory() const
{
    return ChangeDirectory(GetDriveDirectory());
}

time_t CPathName::GetModifiedTime() const
{
    struct _stat64 info;
    if (m_strPath.empty() || ::_stat64(m_strPath.c_str(), &info) != 0)
        return 0;
    return static_cast<time_t>(info.st_mtime);
}

// The root of the path's drive: 'C:\', '\\server\share\' for a UNC path, else
// the root of the current drive; "" for an empty path, which has no drive.
std::string CPathName::RootPath() const
{
    if (IsEmpty())
        return {};
    const CParts parts = Split();
    if (parts.drive.empty() && m_strPath.compare(0, 2, "\\\\") == 0) {
        size_t end = FindNextChar(m_strPath, '\\', 2);
        if (end != std::string::npos)
            end = FindNextChar(m_strPath, '\\', end + 1);
        std::string root = m_strPath.substr(0, end);
        EnsureTrailingBackslash(root);
        return root;
    }
    return MakePathText(parts.drive, "\\", "", nullptr);
}

UINT CPathName::GetDriveType() const
{
    const std::string root = RootPath();
    return root.empty() ? DRIVE_NO_ROOT_DIR : ::GetDriveTypeA(root.c_str());
}

BOOL CPathName::IsRemovable() const
{
    return GetDriveType() == DRIVE_REMOVABLE;
}

BOOL CPathName::GetDiskFreeSpace(DWORD& sectorsPerCluster, DWORD& bytesPerSector, DWORD& freeClusters,
                                 DWORD& totalClusters) const
{
    const std::string root = RootPath();
    return !root.empty() && ::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector,
                                                &freeClusters, &totalClusters);
}

namespace {

// Products of up to three 32-bit counts held in 32 bits: a drive with 4 GB or
// more free would otherwise wrap round to a small number and look full.
DWORD SaturatedProduct(DWORD a, DWORD b, DWORD c)
{
    const unsigned long long product = static_cast<unsigned long long>(a) * b;
    if (product > 0xFFFFFFFFull)
        return c ? 0xFFFFFFFFu : 0;
    const unsigned long long whole = product * c;
    return whole > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(whole);
}

} // namespace

DWORD CPathName::GetFreeBytes() const
{
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpace(sectorsPerCluster, bytesPerSector, freeClusters, totalClusters))
        return 0;
    return SaturatedProduct(sectorsPerCluster, bytesPerSector, freeClusters);
}

DWORD CPathName::GetClusterSize() const
{
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpace(sectorsPerCluster, bytesPerSector, freeClusters, totalClusters))
        return 0;
    return SaturatedProduct(sectorsPerCluster, bytesPerSector, 1);
}

BOOL CPathName::Delete(BOOL clearReadOnly) const
{
    if (clearReadOnly && Exists()) {
        const DWORD attributes = ::GetFileAttributesA(m_strPath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            ::SetFileAttributesA(m_strPath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return ::DeleteFileA(m_strPath.c_str());
}

BOOL CPathName::Rename(const char* newName) const
{
    return newName && ::MoveFileA(m_strPath.c_str(), newName);
}

BOOL CPathName::RemoveDirectory() const
{
    const std::string directory = GetDriveDirectory();
    return !directory.empty() && ::RemoveDirectoryA(directory.c_str());
}

BOOL CPathName::CreateDirectory(BOOL recursive) const
{
    std::string target = m_strPath;
    RemoveTrailingBackslash(target);
    if (target.empty())
        return FALSE;
    if (::_mkdir(target.c_str()) == 0)
        return TRUE;
    // Creation failed: it may exist already. The directory just attempted is
    // checked, so a file of that name never counts as the directory.
    std::string folder = target;
    EnsureTrailingBackslash(folder);
    if (ChangeDirectory(DriveDirectoryText(folder)))
        return TRUE;
    if (!recursive)
        return FALSE;
    const size_t last = FindLastChar(target, '\\');
    if (last == std::string::npos || last == 0)
        return FALSE;
    const CPathName parent(target.substr(0, last));
    return parent.CreateDirectory(TRUE) && CreateDirectory(FALSE);
}

void CPathName::CreateDirectoryOrThrow(BOOL recursive) const
{
    errno = 0;
    if (CreateDirectory(recursive))
        return;
    // Whatever the error number, a failure is never passed over in silence.
    const int error = errno;
    throw CFileException(CFileException::ErrnoToCause(error), static_cast<long>(::GetLastError()));
}
