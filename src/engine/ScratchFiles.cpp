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

std::vector<CPathName> CScratchFiles::OwnFilesIn(const std::string& folder, const std::string& extension) const
{
    std::vector<CPathName> files;
    WIN32_FIND_DATAA entry{};
    const CFindHandle search(::FindFirstFileA((folder + (extension.empty() ? "*" : "*." + extension)).c_str(), &entry));
    if (!search)
        return files;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const CPathName path(folder + entry.cFileName);
        std::string pathExtension;
        path.SplitPath(nullptr, nullptr, nullptr, &pathExtension);
        if (!path.IsEmpty() && Upper(pathExtension) == Upper(extension) && m_ownNames.count(Upper(path.GetName())))
            files.push_back(path);
    } while (::FindNextFileA(search.Get(), &entry));
    return files;
}

void CScratchFiles::CleanBeside(const CPathName& scratch)
{
    std::string folder = scratch.GetDriveDirectory(), extension;
    if (folder.empty() || m_ownNames.empty())
        return;
    if (folder.back() != '\\')
        folder += '\\';
    scratch.SplitPath(nullptr, nullptr, nullptr, &extension);

    const std::string key = Upper(folder + '|' + extension);
    auto listed = m_candidates.find(key);
    if (listed == m_candidates.end()) {
        // The listing holds this run's own scratch file too, which is no
        // earlier run's: kept, it would cost every later member beside it
        // two opens, one of a name that is gone by then.
        std::vector<CPathName> files = OwnFilesIn(folder, extension);
        files.erase(std::remove_if(files.begin(), files.end(),
                                   [&scratch](const CPathName& path) { return ::lstrcmpiA(path, scratch) == 0; }),
                    files.end());
        listed = m_candidates.emplace(key, std::move(files)).first;
    }
    std::vector<CPathName>& candidates = listed->second;
    std::vector<CPathName> found;
    for (const CPathName& path : candidates)
        if (::lstrcmpiA(path, scratch) != 0 && IsBeginningOf(path, scratch))
            found.push_back(path);
    if (found.empty())
        return;

    const std::string pending = PendingAtRestart();
    for (const CPathName& path : found) {
        if (!WaitsForRestart(pending, Upper(path.GetPath())) && path.Delete(TRUE))
            candidates.erase(std::find_if(candidates.begin(), candidates.end(),
                                          [&path](const CPathName& c) { return c.GetPath() == path.GetPath(); }));
    }
}
