#include "engine/ScratchFiles.h"

#include "fw/Handle.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

CFileHandle OpenToRead(const char* path)
{
    return CFileHandle(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The file at `part` holds the first bytes of the file at `whole` (or all).
bool IsBeginningOf(const CPathName& part, const CPathName& whole)
{
    const CFileHandle a = OpenToRead(part), b = OpenToRead(whole);
    LARGE_INTEGER sizeA{}, sizeB{};
    if (!a || !b || !::GetFileSizeEx(a.Get(), &sizeA) || !::GetFileSizeEx(b.Get(), &sizeB) ||
        sizeA.QuadPart > sizeB.QuadPart)
        return false;
    std::vector<char> bufferA(65536), bufferB(65536);
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!::ReadFile(a.Get(), bufferA.data(), static_cast<DWORD>(bufferA.size()), &readA, nullptr))
            return false;
        if (readA == 0)
            return true;
        if (!::ReadFile(b.Get(), bufferB.data(), readA, &readB, nullptr) || readB != readA ||
            !std::equal(bufferA.begin(), bufferA.begin() + readA, bufferB.begin()))
            return false;
    }
}

// The renames waiting for the next start of Windows, where the delayed move
// keeps them ("\??\source" strings) and in wininit.ini (target=source
// lines), as one upper-case text of NUL-separated strings.
std::string PendingAtRestart()
{
    std::string pending(1, '\0');
    const char* const sessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
    DWORD size = 0;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, sessionManager, "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                       nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        std::vector<char> value(size);
        if (::RegGetValueA(HKEY_LOCAL_MACHINE, sessionManager, "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                           nullptr, value.data(), &size) == ERROR_SUCCESS)
            pending.append(value.data(), std::min<std::size_t>(size, value.size()));
    }
    CPathName wininit(CPathName::pathWindowsDir);
    if (!wininit.IsEmpty() && wininit.SetFileName("wininit.ini") && wininit.Exists()) {
        std::vector<char> section(32768);
        const DWORD length = ::GetPrivateProfileSectionA("rename", section.data(),
                                                         static_cast<DWORD>(section.size()), wininit);
        pending.append(1, '\0').append(section.data(), length);
    }
    pending.append(1, '\0');
    return Upper(pending);
}

bool WaitsForRestart(const std::string& pending, const std::string& upperPath)
{
    return pending.find("\\??\\" + upperPath + '\0') != std::string::npos ||
           pending.find('=' + upperPath + '\0') != std::string::npos;
}

} // namespace

void CScratchFiles::TakeOwnNames()
{
    if (!m_ownNames.empty())
        return;
    CPathName name("C:\\SCRATCH");
    std::srand(1);
    for (int i = 0; i < kOwnNames && name.MakeUniqueName(FALSE, 1); ++i)
        m_ownNames.insert(Upper(name.GetName()));
    std::srand(1);
}

std::wstring CFolderNames::NewPathOf(const std::string& name) const
{
    return m_names.count(Upper(name)) ? std::wstring() : m_exact.PathOf(name);
}

void CFolderNames::Add(const std::string& name)
{
    m_names.insert(Upper(name));
}

namespace {

// A directory as the folders are known by: its drive and directory, ending
// in a backslash (CPathName gives them without it).
std::string FolderText(const std::string& directory)
{
    std::string folder = directory;
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

} // namespace

CScratchFiles::CFolder& CScratchFiles::Folder(const std::string& directory)
{
    const std::string folder = FolderText(directory);
    const std::string key = Upper(folder);
    auto known = m_folders.find(key);
    if (known != m_folders.end())
        return known->second;

    CFolder& entry = m_folders[key];
    WIN32_FIND_DATAA found{};
    const CFindHandle search(::FindFirstFileA((folder + "*").c_str(), &found));
    if (!search) {
        // An empty folder lists nothing; one that cannot be listed is not
        // known, and its files go the ordinary way.
        if (::GetLastError() != ERROR_FILE_NOT_FOUND)
            return entry;
    } else {
        do {
            entry.names.Add(found.cFileName);
            if (found.cAlternateFileName[0])
                entry.names.Add(found.cAlternateFileName);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            const CPathName path(folder + found.cFileName);
            if (!path.IsEmpty() && m_ownNames.count(Upper(path.GetName())))
                entry.ownFiles.push_back(path);
        } while (::FindNextFileA(search.Get(), &found));
        if (::GetLastError() != ERROR_NO_MORE_FILES)
            return entry;
    }
    for (const int other : {CPathName::pathWindowsDir, CPathName::pathSystemDir}) {
        const CPathName otherFolder(other);
        if (!otherFolder.IsEmpty() && Upper(FolderText(otherFolder.GetDriveDirectory())) == key)
            return entry;
    }
    entry.names.m_exact = CExactFolder(folder);
    return entry;
}

CFolderNames& CScratchFiles::EnterFolder(const CPathName& directory)
{
    return Folder(directory.GetDriveDirectory()).names;
}

void CScratchFiles::CleanBeside(const CPathName& scratch)
{
    std::string extension;
    const std::string folder = scratch.GetDriveDirectory();
    if (folder.empty() || m_ownNames.empty())
        return;
    scratch.SplitPath(nullptr, nullptr, nullptr, &extension);

    std::vector<CPathName>& candidates = Folder(folder).ownFiles;
    std::vector<CPathName> found;
    for (const CPathName& path : candidates) {
        std::string pathExtension;
        path.SplitPath(nullptr, nullptr, nullptr, &pathExtension);
        if (Upper(pathExtension) == Upper(extension) && ::lstrcmpiA(path, scratch) != 0 &&
            IsBeginningOf(path, scratch))
            found.push_back(path);
    }
    if (found.empty())
        return;

    const std::string pending = PendingAtRestart();
    for (const CPathName& path : found) {
        if (!WaitsForRestart(pending, Upper(path.GetPath())) && path.Delete(TRUE))
            candidates.erase(std::find_if(candidates.begin(), candidates.end(),
                                          [&path](const CPathName& c) { return c.GetPath() == path.GetPath(); }));
    }
}
