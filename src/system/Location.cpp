#include "system/Location.h"

#include "rules/DisketteFolders.h"
#include "rules/FileNames.h"

#include <cctype>

namespace {

bool IsSeparator(char c) noexcept
{
    return c == '\\' || c == '/';
}

} // namespace

BOOL ParseLocation(const std::string& text, BOOL absolute, CPathName& path)
{
    if (text.empty())
        return FALSE;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (::IsDBCSLeadByte(c) && i + 1 < text.size()) {
            ++i;  // the trail byte may look like a separator or a forbidden character
            continue;
        }
        // ':' is allowed after the drive letter only.
        if (IsForbiddenInName(c) || (c == ':' && i != 1))
            return FALSE;
    }
    const bool hasDrive = text.size() >= 2 && text[1] == ':';
    if (hasDrive && !std::isalpha(static_cast<unsigned char>(text[0])))
        return FALSE;
    // A drive without a medium (an empty diskette drive) still has a type.
    if (hasDrive && ::GetDriveTypeA((text.substr(0, 2) + "\\").c_str()) == DRIVE_NO_ROOT_DIR)
        return FALSE;
    if (absolute) {
        const bool rootedOnDrive = hasDrive && text.size() >= 3 && IsSeparator(text[2]);
        const bool onServer = text.size() > 2 && IsSeparator(text[0]) && IsSeparator(text[1]);
        if (!rootedOnDrive && !onServer)
            return FALSE;
    }
    CPathName parsed;
    if (!parsed.SetDriveDirectory(text))
        return FALSE;
    path = parsed;
    return TRUE;
}

BOOL SiblingDisketteDirectory(const CPathName& path, int disk, CPathName& sibling)
{
    std::string directory = path.GetDirectory();
    if (!MoveToDisketteFolder(directory, disk))
        return FALSE;
    CPathName moved = path;
    if (!moved.SetDirectory(directory))
        return FALSE;
    sibling = moved;
    return TRUE;
}
