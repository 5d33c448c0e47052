#include "profile/ProgramItems.h"

#include "profile/TargetMap.h"
#include "system/ShortcutGroups.h"

namespace {

// Where the item's icon is looked for: the directory the user chose, then the
// System directory.
CPathName IconPath(const CTarget& target, const CPathName& mainDirectory)
{
    if (target.m_strIconFile.empty())
        return CPathName();
    CPathName icon = mainDirectory;
    if (!icon.IsEmpty() && icon.SetFileName(target.m_strIconFile) && icon.Exists())
        return icon;
    icon = CPathName(CPathName::pathSystemDir);
    return icon.SetFileName(target.m_strIconFile) ? icon : CPathName();
}

} // namespace

void CreateProgramItems(const std::string& group, const CTargetMap& targets, const CPathName& mainDirectory,
                        const std::function<void()>& pump, const ProgramItemRecorder& record)
{
    CShortcutGroups groups;
    for (const auto& entry : targets) {
        const CTarget& target = *entry.second;
        if (target.m_path.IsEmpty())
            continue;
        const CPathName icon = IconPath(target, mainDirectory);
        const BOOL done = groups.AddShortcut(group.c_str(), target.m_path, target.m_strArguments.c_str(),
                                             target.m_strCaption.c_str(), icon, target.m_nIconIndex,
                                             target.m_bMinimized ? SW_SHOWMINIMIZED : SW_SHOW, SW_SHOW);
        if (record)
            record(target.m_strCaption, target.m_path.GetPath(), done);
        if (pump)
            pump();
    }
}

void RemoveProgramItems(const std::string& group, const CTargetMap& targets, const std::function<void()>& pump,
                        const ProgramItemRecorder& record)
{
    CShortcutGroups groups;
    for (const auto& entry : targets) {
        const CTarget& target = *entry.second;
        if (target.m_path.IsEmpty())
            continue;
        const BOOL done = groups.RemoveItem(group.c_str(), target.m_strCaption.c_str());
        if (record)
            record(target.m_strCaption, "", done);
        if (pump)
            pump();
    }
    groups.RemoveGroup(group.c_str());
}
