#include "uninstall/RemovalPaths.h"

#include "profile/DestinationMap.h"
#include "rules/ProfileFields.h"
#include "profile/ProfileSection.h"
#include "profile/TargetMap.h"

#include <cstring>
#include <vector>

namespace {

bool IsLeadByte(unsigned char c)
{
    return ::IsDBCSLeadByteEx(CPathName::GetSplitCodePage(), c) != FALSE;
}

// Characters that no component of a path holds; '\' separates components.
bool IsForbidden(unsigned char c)
{
    return c < 0x20 || std::strchr("<>\"|?*/:", c) != nullptr;
}

// Windows drops trailing dots and blanks from a name, so such a name could
// end up meaning "." or "..".
bool IsOnlyDotsAndBlanks(const std::string& component)
{
    return component.find_first_not_of(". ") == std::string::npos;
}

// The components of `text` between its backslashes; FALSE when it holds a
// forbidden character outside a double-byte character.
bool SplitComponents(const std::string& text, std::vector<std::string>& components)
{
    components.assign(1, std::string());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            components.back().append(text, i, 2);
            ++i;
        } else if (c == '\\') {
            components.emplace_back();
        } else if (IsForbidden(c)) {
            return false;
        } else {
            components.back() += text[i];
        }
    }
    return true;
}

bool IsDriveRoot(const std::string& path)
{
    if (path.size() < 3)
        return false;
    const auto letter = static_cast<unsigned char>(path[0] | 0x20);
    return letter >= 'a' && letter <= 'z' && path[1] == ':' && path[2] == '\\';
}

} // namespace

CRemovalPaths::CRemovalPaths(const CPathName& log, const CDestinationMap& destinations)
    : m_destinations(destinations)
{
    CProfileSection section("destinations");
    section.SetFile(log);
    CProfileString line;
    for (BOOL more = section.FirstKey(line); more; more = section.NextKey(line)) {
        line.SetText("");
        line.Load();
        // The id as the destinations' loader reads the key.
        std::int16_t id = 0;
        GetShortField(id, line.GetKey(), 0);
        BOOL& cut = m_lines[id];
        if (MayBeCut(line.GetText()))
            cut = TRUE;
    }
}

BOOL CRemovalPaths::GetDirectory(std::int16_t id, CPathName& directory) const
{
    const CDestination* destination = m_destinations.Lookup(id);
    if (!destination)
        return FALSE;
    const auto line = m_lines.find(id);
    const bool trusted = id >= 0 ? line != m_lines.end() && !line->second : line == m_lines.end();
    if (!trusted || !IsFullDirectoryPath(destination->m_path.GetPath()))
        return FALSE;
    directory = destination->m_path;
    return TRUE;
}

BOOL CRemovalPaths::GetFilePath(const std::string& fileName, std::int16_t id, CPathName& path) const
{
    CPathName joined;
    if (!IsPlainFileName(fileName) || !GetDirectory(id, joined))
        return FALSE;
    const std::string directory = joined.GetPath();
    if (!joined.SetFileName(fileName) || joined.GetPath() != directory + fileName)
        return FALSE;
    path = joined;
    return TRUE;
}

BOOL CRemovalPaths::IsPlainFileName(const std::string& name)
{
    std::vector<std::string> components;
    return SplitComponents(name, components) && components.size() == 1 && !IsOnlyDotsAndBlanks(name);
}

BOOL CRemovalPaths::IsFullDirectoryPath(const std::string& path)
{
    std::size_t rootComponents = 0;
    std::string rest;
    if (IsDriveRoot(path)) {
        rest = path.substr(3);
    } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
        rest = path.substr(2);
        rootComponents = 2;  // server and share
    } else {
        return FALSE;
    }
    std::vector<std::string> components;
    if (!SplitComponents(rest, components) || components.size() <= rootComponents || !components.back().empty())
        return FALSE;
    components.pop_back();
    for (const std::string& component : components)
        if (IsOnlyDotsAndBlanks(component))
            return FALSE;
    return TRUE;
}

BOOL CRemovalPaths::MayBeCut(const std::string& value) noexcept
{
    return value.size() >= CProfileString::kValueSizePassed - 1;
}

void CRemovalPaths::ForgetCutTargetPaths(const CPathName& log, CTargetMap& targets)
{
    CProfileSection section("targets");
    section.SetFile(log);
    CProfileString line;
    for (BOOL more = section.FirstKey(line); more; more = section.NextKey(line)) {
        line.SetText("");
        line.Load();
        if (!MayBeCut(line.GetText()))
            continue;
        if (CTarget* target = targets.FindTarget(line.GetKey()))
            target->m_path.Empty();
    }
}
