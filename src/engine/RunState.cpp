#include "engine/RunState.h"

#include "fw/Strings.h"
#include "fw/Time.h"
#include "profile/InstallLog.h"
#include "profile/InstallLogWriter.h"
#include "profile/ProfileString.h"
#include "res/resource.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const char kLogFileName[] = "pelto.log";
const char kProfileExtension[] = "ini";
const char kEventsSection[] = "Events";
const char kProgramGroupSection[] = "Program group";
const char kProgramGroupKey[] = "Name";

} // namespace

CRunState::CRunState()
    : m_strTitle(AfxLoadString(IDS_SETUP_TITLE)),
      m_strGroupName(AfxLoadString(IDS_DEFAULT_GROUP_NAME)),
      m_strProductName(AfxLoadString(IDS_PRODUCT_NAME)),
      m_strProgramFile(AfxLoadString(IDS_PROGRAM_FILE)),
      m_sourceDir(CPathName::pathModuleDir),
      m_logPath(CPathName::pathWindowsDir)
{
    m_profilePath.SetModuleFileName();
    m_profilePath.SetExtension(kProfileExtension);
    m_logPath.SetFileName(kLogFileName);
}

void CRunState::LoadModel(const std::function<void()>& pump)
{
    const CPathName profile = m_profilePath;
    m_destinations.LoadFromProfile(profile);
    pump();
    m_groups.LoadFromProfile(profile);
    pump();
    m_targets.LoadFromProfile(profile);
    pump();
    m_archiveItems.LoadFromProfile(profile, m_groups);
    pump();
    m_diskettes.LoadFromProfile(profile);
    pump();
    if (m_bUninstall) {
        // Any user may write the log: a name that is no single folder name,
        // or would end Program Manager's quoted group name early, is not taken.
        const CProfileString group("", kProgramGroupSection, kProgramGroupKey, profile, FALSE, TRUE);
        const std::string& name = group.GetText();
        if (!name.empty() && name.find_first_of("\"\\/:") == std::string::npos)
            m_strGroupName = name;
    }
}

BOOL CRunState::SetSourceDirectory(const std::string& text)
{
    return m_sourceDir.SetDriveDirectory(text);
}

void CRunState::WriteInstallLog(ILogLines& log) const
{
    WriteInstallModel(log, m_destinations, m_groups, m_targets);
    WriteLogLine(log, kProgramGroupSection, kProgramGroupKey, "%s", m_strGroupName.c_str());
}

int CRunState::LogEvent(const char* format, ...)
{
    char text[kEventTextSize] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const std::string time = CTime::GetCurrentTime().Format("%H:%M:%S");
    // In a new version of the whole log, as the copy step writes it: a kill
    // meanwhile leaves the log as it was, never cut.
    CInstallLogWriter log(m_logPath);
    log.Open();
    log.WriteLine(kEventsSection, StringFormat("%s:%04ld", time.c_str(), static_cast<long>(::GetTickCount() % 1000)),
                  text);
    log.Close();
    return static_cast<int>(std::strlen(text));
}
