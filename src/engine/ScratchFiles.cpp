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

// The renames and deletes waiting for the next start of Windows, where the
// delayed move keeps them ("\??\source" strings) and in wininit.ini
// (target=source lines), as one upper-case text of NUL-separated strings.
std::string PendingAtRestart()
{
    std::string pending;
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
    CPathName name("C:\\SCRATCH");
    std::srand(1);
    for (int i = 0; i < kOwnNames && name.MakeUniqueName(FALSE, 1); ++i)
        m_ownNames.insert(Upper(name.GetName()));
    std::srand(1);
}

void CScratchFiles::CleanOnce(const CPathName& directory)
{
    if (m_ownNames.empty())
        TakeOwnNames();
    const std::string folder = directory.GetDriveDirectory();
    if (folder.empty() || !m_cleaned.insert(Upper(folder)).second)
        return;

    std::vector<CPathName> found;
    WIN32_FIND_DATAA entry{};
    const CFindHandle search(::FindFirstFileA((folder + "*").c_str(), &entry));
    if (!search)
        return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        CPathName path(folder + entry.cFileName);
        if (!path.IsEmpty() && m_ownNames.count(Upper(path.GetName())))
            found.push_back(path);
    } while (::FindNextFileA(search.Get(), &entry));
    if (found.empty())
        return;

    const std::string pending = PendingAtRestart();
    for (const CPathName& path : found)
        if (!WaitsForRestart(pending, Upper(path.GetPath())))
            path.Delete(TRUE);
}
