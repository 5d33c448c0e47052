#include "DisketteSet.h"

#include "IniFile.h"
#include "rules/DisketteFolders.h"

#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The folder's path as given, without a trailing separator.
fs::path Given(const std::string& folder)
{
    fs::path p(folder);
    return p.filename().empty() ? p.parent_path() : p;
}

// The same made absolute, as the setup program's directories are, so that a
// folder named "01" or given as "." counts by its own name.
std::string Absolute(const fs::path& given)
{
    std::error_code ignored;
    fs::path absolute = fs::absolute(given, ignored).lexically_normal();
    if (absolute.filename().empty())
        absolute = absolute.parent_path();
    return absolute.empty() ? given.string() : absolute.string();
}

} // namespace

std::string DisketteFolderName(int n)
{
    return "DISK" + DisketteDigits(n);
}

std::string DisketteImageName(int n)
{
    return DisketteFolderName(n) + ".img";
}

int DisketteFolderNameNumber(const std::string& name)
{
    const int n = DisketteNumberOfFolder(name);
    return n >= 1 && name == DisketteFolderName(n) ? n : 0;
}

int DisketteImageNumberOf(const std::string& name)
{
    if (name.size() != 10 || !EqualNoCase(name.substr(0, 4), "DISK") || !EqualNoCase(name.substr(6), ".img") ||
        !std::isdigit(static_cast<unsigned char>(name[4])) || !std::isdigit(static_cast<unsigned char>(name[5])))
        return 0;
    return (name[4] - '0') * 10 + (name[5] - '0');
}

int DisketteNumberOf(const std::string& folder)
{
    return DisketteNumberOfFolder(Absolute(Given(folder)));
}

std::string DisketteFolder(const std::string& folder, int n)
{
    // Renumbered in the text as given ("out/DISK01" -> "out/DISK02") where
    // that ends as its absolute path does.
    const std::string given = Given(folder).string();
    const std::string absolute = Absolute(Given(folder));
    const bool endsAlike = given.size() > 2 && absolute.size() > 2 &&
                           given.compare(given.size() - 2, 2, absolute, absolute.size() - 2, 2) == 0;
    std::string moved = endsAlike ? given : absolute;
    return MoveToDisketteFolder(moved, n) ? moved : folder;
}

std::string CDisketteSource::Locate(const std::string& name, int disk)
{
    std::error_code ignored;
    const std::string here = (fs::path(m_folder) / name).string();
    if (fs::exists(here, ignored))
        return here;
    const std::string sibling = DisketteFolder(m_folder, disk);
    const std::string there = (fs::path(sibling) / name).string();
    if (sibling == m_folder || !fs::exists(there, ignored))
        return here;
    m_folder = sibling;
    return there;
}
