// The sample product installed and removed by the real INSTALL.EXE, whole
// runs driven from outside, each case in a Wine prefix of its own. The
// diskette set is built from the sample's layout with diskset and copied to
// disk as a vendor would (SETUP\DISK01, DISK02, ...); what a run leaves is
// checked against the layout: the files byte for byte with their times and
// attributes, the install log, the registry, the shortcuts (read back by
// lnkinfo) and the exit code.
#include "Diskset.h"
#include "FloppyDrive.h"
#include "Layout.h"
#include "LnkInfo.h"
#include "SetupRun.h"
#include "UnixCommand.h"

#include "archive/ArchiveFormat.h"
#include "fw/Strings.h"
#include "install/TestFiles.h"
#include "res/resource.h"
#include "rules/Destinations.h"
#include "system/PathName.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include <shlobj.h>

namespace {

using namespace ui_probe;
using setup_run::RegString;
using setup_run::SetupRun;
using setup_run::SharedCount;

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\pelto.exe";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pelto";
const char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr long long kEarlierTime = 800000000;
// The settings file the sample's program writes beside itself when the
// installation starts it, and deletes when the removal does.
const char kProgramSettings[] = "PELTO.INI";

const std::string kSystemDir = CPathName(CPathName::pathSystemDir).GetPath();
const std::string kWindowsDir = CPathName(CPathName::pathWindowsDir).GetPath();
const std::string kLog = kWindowsDir + "pelto.log";

std::string Upper(std::string text)
{
    ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}
std::string WithBackslash(const std::string& path)
{
    return !path.empty() && path.back() == '\\' ? path : path + "\\";
}
long long ModifiedTime(const std::string& path)
{
    return static_cast<long long>(CPathName(path).GetModifiedTime());
}
DWORD Attributes(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
}
bool IsDirectory(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
std::string LogValue(const std::string& section, const std::string& key)
{
    char value[512] = {};
    ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "(none)", value, sizeof value, kLog.c_str());
    return value;
}
std::string ProgramsFolder()
{
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
    return WithBackslash(path);
}

// One file the sample installs, as its layout has it.
struct SampleFile {
    std::string group;  // the install log's section
    std::string name;
    std::int16_t destination = DEST_MAIN;
    std::string path;        // where it is installed
    std::string source;      // the vendor's file
    std::string archive;     // the archive it is a member of; empty for a plain file
    long long time = -1;     // -1: not fixed by the set
    DWORD attributes = 0;
};

class SampleSetupTest : public ::testing::Test {
protected:
    SampleSetupTest() : run({}) {}

    void SetUp() override
    {
        ASSERT_EQ(std::string::npos, run.Folder().Path().find(' ')) << "/D: takes no blanks";
        const std::string layoutPath = WindowsPath(PELTO_SAMPLE_LAYOUT);
        ASSERT_NO_THROW(layout.Load(layoutPath));
        std::ostringstream out, err;
        ASSERT_EQ(0, RunDiskset({"build", layoutPath, run.Folder() / "SETUP", "--setup", WindowsPath(PELTO_INSTALL_EXE)},
                                out, err))
            << err.str();
        ASSERT_TRUE(FileExists(Disk(1) + "INSTALL.EXE"));
        ReadSampleFiles();
    }

    std::string Disk(int number) const
    {
        return run.Folder() / ((number < 10 ? "SETUP\\DISK0" : "SETUP\\DISK") + std::to_string(number) + "\\");
    }
    // The diskette of the set that holds `name`, 0 when none does.
    int DiskHolding(const std::string& name) const
    {
        for (int number = 1; IsDirectory(Disk(number)); ++number)
            if (FileExists(Disk(number) + name))
                return number;
        return 0;
    }
    // The folder of destination `id`, resolved as the setup program does with
    // the proposed main directory on drive C.
    std::string DestinationPath(std::int16_t id) const
    {
        if (id == DEST_SYSTEM)
            return kSystemDir;
        if (id == DEST_WINDOWS)
            return kWindowsDir;
        for (const ProfileEntry& entry : layout.m_destinations) {
            if (entry.key != std::to_string(id))
                continue;
            const std::vector<std::string> fields = SplitFields(entry.value);
            if (id == DEST_MAIN)
                return WithBackslash("C:" + (fields[0][0] == '\\' ? "" : std::string("\\")) + fields[0]);
            if (fields.size() > 2 && !fields[2].empty())
                return WithBackslash(fields[2]);
            const auto base = static_cast<std::int16_t>(fields.size() > 1 && !fields[1].empty() ? std::stoi(fields[1]) : 0);
            return DestinationPath(base) + fields[0] + "\\";
        }
        return {};
    }
    std::string Main() const { return DestinationPath(DEST_MAIN); }

    void ReadSampleFiles()
    {
        const bool fixed = layout.m_timeMode == CLayout::TimeMode::fixed;
        for (const LayoutItem& item : layout.m_items) {
            if (item.kind == LayoutItem::Kind::file) {
                const std::string onSet = Disk(DiskHolding(item.name)) + item.name;
                files.push_back({item.group, item.name, item.destination, DestinationPath(item.destination) + item.name,
                                 item.source, {}, ModifiedTime(onSet), Attributes(onSet)});
                continue;
            }
            for (const LayoutMember& member : item.members)
                files.push_back({item.group, member.name, member.destination,
                                 DestinationPath(member.destination) + member.name, member.source, item.name,
                                 fixed ? layout.m_nFixedTime : layout.m_timeMode == CLayout::TimeMode::source
                                                                   ? ModifiedTime(member.source)
                                                                   : -1,
                                 static_cast<DWORD>(member.attributes & 0xFF)});
        }
    }
    const SampleFile& FileNamed(const std::string& name) const
    {
        for (const SampleFile& file : files)
            if (EqualNoCase(file.name, name))
                return file;
        throw std::runtime_error("the sample has no file " + name);
    }
    // The diskettes from the one holding the archive volume `volume` on are
    // copied to another folder: moves them there, sets `location` to the one
    // holding the volume and returns the path the diskette prompt names (the
    // volume looked for on the diskette of the volume before it).
    std::string MoveDiskettesAway(const std::string& volume, std::string& location) const
    {
        std::string previous = volume;
        --previous.back();
        const int first = DiskHolding(volume);
        const std::string missing = Disk(DiskHolding(previous)) + volume;
        const std::string elsewhere = run.Folder() / "ELSEWHERE\\";
        ::CreateDirectoryA(elsewhere.c_str(), nullptr);
        for (int number = first; IsDirectory(Disk(number)); ++number) {
            const std::string disk = Disk(number);
            const std::string name = disk.substr(disk.rfind('\\', disk.size() - 2) + 1);
            EXPECT_TRUE(::MoveFileA(disk.c_str(), (elsewhere + name).c_str()));
            if (number == first)
                location = elsewhere + name.substr(0, name.size() - 1);
        }
        return missing;
    }
    // The second volume of the first archive that spans diskettes; empty
    // when none does.
    std::string SpanningVolume() const
    {
        for (const LayoutItem& item : layout.m_items)
            if (item.kind == LayoutItem::Kind::archive) {
                std::string next = item.name;
                ++next.back();
                if (DiskHolding(next) > DiskHolding(item.name))
                    return next;
            }
        return {};
    }
    HWND WaitForDiskettePrompt(const std::string& missing) const
    {
        const std::string explanation = AfxLoadString(IDS_DISKETTE_FILE_MISSING);
        return run.WaitForDialogShowing(StringFormat(explanation.c_str(), missing.c_str()));
    }

    // An older copy of `file` in its place, held open without delete sharing
    // by another process while the result lives.
    std::unique_ptr<CHeldOpen> HoldOlderCopy(const SampleFile& file) const
    {
        ::CreateDirectoryA(Main().c_str(), nullptr);
        WriteFileBytes(file.path, "old");
        SetModifiedTime(file.path, kEarlierTime);
        return std::make_unique<CHeldOpen>(file.path);
    }
    void StartFromSet(const std::string& arguments = {}) { run.StartProgram(Disk(1) + "INSTALL.EXE", arguments); }
    void InstallUnattended()
    {
        StartFromSet("/B");
        ASSERT_EQ(0, run.ExitCode());
        WaitForTheInstalledProgram();
    }
    // A finished installation starts "pelto.exe /install" without waiting
    // for it; until it has ended, it holds its files and the engine.
    static void WaitForTheInstalledProgram()
    {
        EXPECT_TRUE(WaitUntil([] { return !ProgramRunning("pelto.exe"); })) << "pelto.exe /install has not ended";
    }
    static void Next(HWND page) { ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(page), IDC_NEXT)); }
    // The interactive pages before copying, each taken as proposed, but for
    // the group name when `group` is given.
    void WalkToCopying(const std::string& group = {}) const
    {
        for (int id : {IDD_WELCOME, IDD_DIRECTORY, IDD_GROUP}) {
            HWND page = run.WaitForPage(id);
            ASSERT_NE(nullptr, page) << id;
            if (id == IDD_DIRECTORY) {
                EXPECT_EQ(Main().substr(0, Main().size() - 1), ControlText(page, IDC_LOCATION));
            }
            if (id == IDD_GROUP) {
                EXPECT_EQ(AfxLoadString(IDS_DEFAULT_GROUP_NAME), ControlText(page, IDC_GROUP_NAME));
                if (!group.empty())
                    ::SendMessageA(::GetDlgItem(page, IDC_GROUP_NAME), WM_SETTEXT, 0,
                                   reinterpret_cast<LPARAM>(group.c_str()));
            }
            Next(page);
        }
    }
    void AnswerExitQuestion(const char* label) const
    {
        HWND question = run.WaitForDialogShowing(AfxLoadString(IDS_CONFIRM_EXIT_SETUP));
        ASSERT_NE(nullptr, question);
        ASSERT_TRUE(SetupRun::ClickButtonLabelled(question, label));
    }

    // What a complete installation leaves, but for the files in `passedOver`:
    // each file whole with its time and attributes and recorded as installed
    // (`installed` false: as found in place), no other file in the
    // destinations, the shared file counted `sharedCount` times, the registry
    // entries and the program group.
    void ExpectInstalled(const std::set<std::string>& passedOver = {}, bool installed = true, long sharedCount = 1,
                         bool programManager = false,
                         const std::string& group = AfxLoadString(IDS_DEFAULT_GROUP_NAME)) const
    {
        WaitForTheInstalledProgram();
        std::map<std::string, std::set<std::string>> expectedIn;
        for (const std::string& name : extraFiles)
            expectedIn[Main()].insert(Upper(name));
        for (const SampleFile& file : files) {
            if (file.destination != DEST_SYSTEM && (!passedOver.count(file.name) || FileExists(file.path)))
                expectedIn[DestinationPath(file.destination)].insert(Upper(file.name));
            if (file.destination == DEST_SYSTEM) {
                EXPECT_EQ(sharedCount, SharedCount(file.path)) << file.path;
            }
            if (passedOver.count(file.name))
                continue;
            SCOPED_TRACE(file.path);
            EXPECT_EQ(ReadFileBytes(file.source), ReadFileBytes(file.path));
            if (file.time != -1) {
                EXPECT_EQ(file.time, ModifiedTime(file.path));
            }
            EXPECT_EQ(file.attributes, Attributes(file.path));
            EXPECT_EQ(std::to_string(file.destination) + (installed ? "|1|0" : "|0|0"), LogValue(file.group, file.name));
        }
        for (const auto& [folder, names] : expectedIn) {
            std::set<std::string> found;
            for (const std::string& name : FilesIn(folder))
                if (!EqualNoCase(name, kProgramSettings))
                    found.insert(Upper(name));
            EXPECT_EQ(names, found) << folder << ": no scratch file, backup or stray file";
        }
        for (const ProfileEntry& destination : layout.m_destinations) {
            const std::string line = LogValue("destinations", destination.key);
            const auto id = static_cast<std::int16_t>(std::stoi(destination.key));
            EXPECT_EQ(DestinationPath(id), line.substr(line.find_last_of('|') + 1)) << "resolved as recorded: " << line;
        }
        EXPECT_EQ(Main() + "pelto.exe", RegString(kAppPathKey, ""));
        EXPECT_EQ(Main().substr(0, Main().size() - 1), RegString(kAppPathKey, "Path"));
        EXPECT_EQ("Pelto", RegString(kUninstallKey, "DisplayName"));
        EXPECT_EQ(Main() + "INSTALL.EXE /U", RegString(kUninstallKey, "UninstallString"));
        ExpectProgramGroup(programManager, group);
        EXPECT_EQ(group, LogValue("Program group", "Name"));
    }

    // The group's shortcuts, one per target, read back by lnkinfo: named as
    // the caption up to its last dot, starting the installed file with the
    // target's arguments and icon. Wine's Program Manager makes no item whose
    // command holds arguments (it looks for the whole command as the program's
    // path); the shell path makes it: its absence shows which path was taken.
    void ExpectProgramGroup(bool programManager, const std::string& groupName) const
    {
        const std::string group = ProgramsFolder() + groupName + "\\";
        std::set<std::string> links;
        for (const ProfileEntry& target : layout.m_targets) {
            const std::vector<std::string> fields = SplitFields(target.value);  // icon|number2|minimized|caption|arguments|iconfile|path
            const std::string& caption = fields.at(3);
            const std::string link = caption.substr(0, caption.find_last_of('.')) + ".lnk";
            if (programManager && !fields.at(4).empty())
                continue;
            links.insert(link);
            SCOPED_TRACE(group + link);
            std::map<std::string, std::string> info = ReadShortcutWithLnkinfo(group + link, run.Folder().Path());
            EXPECT_TRUE(EqualNoCase(FileNamed(target.key).path, info["Local path"])) << info["Local path"];
            EXPECT_EQ(caption, info["Description"]);
            EXPECT_EQ(fields.at(4), info["Command line arguments"]);
            if (!fields.at(5).empty()) {
                const std::string inMain = Main() + fields[5];
                EXPECT_TRUE(EqualNoCase(FileExists(inMain) ? inMain : kSystemDir + fields[5], info["Icon location"]))
                    << info["Icon location"];
                EXPECT_EQ(fields.at(0), info["Icon index"]);
            }
        }
        EXPECT_EQ(links, FilesIn(group));
    }

    // What the removal leaves: the shared file without its count, nothing
    // else of the installation.
    void ExpectRemoved(const std::string& group = AfxLoadString(IDS_DEFAULT_GROUP_NAME)) const
    {
        EXPECT_TRUE(WaitUntil([this] { return !IsDirectory(Main()); }))
            << "emptied, so removed (the setup program itself after it ended)";
        for (const SampleFile& file : files) {
            SCOPED_TRACE(file.path);
            if (file.destination != DEST_SYSTEM) {
                EXPECT_FALSE(FileExists(file.path));
                continue;
            }
            EXPECT_EQ(ReadFileBytes(file.source), ReadFileBytes(file.path));
            EXPECT_EQ(-1, SharedCount(file.path));
        }
        EXPECT_EQ("(none)", RegString(kAppPathKey, ""));
        EXPECT_EQ("(none)", RegString(kUninstallKey, "UninstallString"));
        EXPECT_FALSE(IsDirectory(ProgramsFolder() + group));
    }

    SetupRun run;
    CLayout layout;
    std::vector<SampleFile> files;
    std::set<std::string> extraFiles;  // in the main directory besides the sample's
};

TEST_F(SampleSetupTest, InteractiveInstallationGoesThroughEveryPageToFinished)
{
    StartFromSet();
    WalkToCopying();
    HWND finished = run.WaitForPage(IDD_FINISHED);
    ASSERT_NE(nullptr, finished);
    ASSERT_TRUE(ClickButton(finished, IDOK));
    EXPECT_EQ(0, run.ExitCode());
    ExpectInstalled();
}

TEST_F(SampleSetupTest, UnattendedInstallationFromTheCopiedSet)
{
    InstallUnattended();
    ExpectInstalled();
    EXPECT_TRUE(WaitUntil([this] { return FileExists(Main() + kProgramSettings); }))
        << "the installation starts the program, which writes its settings";
}

// The diskettes from the one holding the second volume of the first archive
// that spans diskettes on are in another folder: the prompt asks for the
// volume, the location typed is used, and the diskettes after it are found
// beside it.
TEST_F(SampleSetupTest, MissingDisketteIsAnsweredThroughThePrompt)
{
    const std::string volume = SpanningVolume();
    ASSERT_FALSE(volume.empty()) << "no archive spans diskettes";
    std::string elsewhere;
    const std::string missing = MoveDiskettesAway(volume, elsewhere);

    StartFromSet("/B");
    HWND prompt = WaitForDiskettePrompt(missing);
    ASSERT_NE(nullptr, prompt);
    ::SendMessageA(::GetDlgItem(prompt, IDC_LOCATION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(elsewhere.c_str()));
    ASSERT_TRUE(ClickButton(prompt, IDOK));
    EXPECT_EQ(0, run.ExitCode());
    ExpectInstalled();
}

// An older copy of a file, held open without delete sharing by another
// process, cannot be replaced now: Windows renames the new file into place
// at its next start, and the run ends on the restart page.
TEST_F(SampleSetupTest, FileInUseIsReplacedAtTheRestartOfferedAtTheEnd)
{
    const SampleFile& held = FileNamed("PELTO.HLP");
    const auto holder = HoldOlderCopy(held);
    ASSERT_TRUE(holder->IsHolding());

    StartFromSet();
    WalkToCopying();
    HWND restart = run.WaitForPage(IDD_RESTART);
    ASSERT_NE(nullptr, restart);
    ASSERT_TRUE(ClickButton(restart, IDC_FINISH_NO_RESTART));
    EXPECT_EQ(3010, run.ExitCode()) << "success, and the restart is still to come";

    EXPECT_EQ("old", ReadFileBytes(held.path));
    EXPECT_EQ(std::to_string(held.destination) + "|0|1", LogValue(held.group, held.name))
        << "replaced, but not installed before the restart";
    // Where Windows keeps the renames for its next start: pairs of names, the
    // new file's scratch name first.
    char renames[8192] = {};
    DWORD size = sizeof renames;
    ASSERT_EQ(ERROR_SUCCESS, ::RegGetValueA(HKEY_LOCAL_MACHINE, kSessionManagerKey, "PendingFileRenameOperations",
                                            RRF_RT_REG_MULTI_SZ, nullptr, renames, &size));
    std::vector<std::string> names;
    for (const char* name = renames; *name; name += std::strlen(name) + 1)
        names.emplace_back(name);
    std::string scratch;
    for (std::size_t i = 0; i + 1 < names.size(); i += 2)
        if (EqualNoCase(names[i + 1], "!\\??\\" + held.path) || EqualNoCase(names[i + 1], "\\??\\" + held.path))
            scratch = names[i].substr(4);
    ASSERT_FALSE(scratch.empty()) << "no rename onto " << held.path;
    EXPECT_EQ(ReadFileBytes(held.source), ReadFileBytes(scratch));
    extraFiles.insert(CPathName(scratch).GetFileName());
    ExpectInstalled({held.name});
}

// Another product has since put a newer engine into the System folder: a
// second installation keeps it and counts it twice; the other files are found
// in place as they are.
TEST_F(SampleSetupTest, SecondInstallationKeepsANewerSharedDllAndCountsItTwice)
{
    InstallUnattended();
    const SampleFile& shared = FileNamed("PELTO32.DLL");
    // A later build of the same engine: its file and product versions one
    // major version up (the program still finds the functions it imports).
    std::string newer = ReadFileBytes(shared.path);
    const std::size_t info = newer.find(std::string("\xBD\x04\xEF\xFE", 4));  // VS_FIXEDFILEINFO's signature
    ASSERT_NE(std::string::npos, info) << "the engine has a version resource";
    for (std::size_t majorVersion : {info + 10, info + 18})  // dwFileVersionMS, dwProductVersionMS: high word
        ++newer.at(majorVersion);
    WriteFileBytes(shared.path, newer);

    InstallUnattended();
    EXPECT_EQ(newer, ReadFileBytes(shared.path));
    EXPECT_EQ("-3|0|0", LogValue(shared.group, shared.name));
    ExpectInstalled({shared.name}, false, 2);
}

// The checksum of the first member of the last archive does not match; an
// older copy of that member is in place and stays whole either way.
class DamagedSampleArchiveTest : public SampleSetupTest {
protected:
    void SetUp() override
    {
        SampleSetupTest::SetUp();
        for (const LayoutItem& item : layout.m_items)
            if (item.kind == LayoutItem::Kind::archive)
                archive = &item;
        const std::string volume = Disk(DiskHolding(archive->name)) + archive->name;
        std::string bytes = ReadFileBytes(volume);
        bytes.at(kSignatureSize + HeaderOffset::checksum) ^= 0x55;
        WriteFileBytes(volume, bytes);
        first = &FileNamed(archive->members.front().name);
        ::SHCreateDirectoryExA(nullptr, DestinationPath(first->destination).c_str(), nullptr);
        WriteFileBytes(first->path, "old");
        SetModifiedTime(first->path, kEarlierTime);

        StartFromSet("/B");
        const std::string heading = AfxLoadString(IDS_CANNOT_INSTALL_FILES_FROM);
        report = run.WaitForDialogShowing(StringFormat(heading.c_str(), volume.c_str()));
        ASSERT_NE(nullptr, report);
    }
    void ExpectArchiveNotInstalled() const
    {
        EXPECT_EQ("old", ReadFileBytes(first->path));
        EXPECT_EQ(kEarlierTime, ModifiedTime(first->path));
        for (const LayoutMember& member : archive->members) {
            EXPECT_EQ("(none)", LogValue(archive->group, member.name)) << member.name;
            if (member.name != first->name) {
                EXPECT_FALSE(FileExists(FileNamed(member.name).path)) << member.name;
            }
        }
    }
    std::set<std::string> Members() const
    {
        std::set<std::string> names;
        for (const LayoutMember& member : archive->members)
            names.insert(member.name);
        return names;
    }

    const LayoutItem* archive = nullptr;
    const SampleFile* first = nullptr;
    HWND report = nullptr;
};

TEST_F(DamagedSampleArchiveTest, ContinuePassesOverTheRestOfTheArchive)
{
    ASSERT_TRUE(ClickButton(report, IDOK));
    EXPECT_EQ(2, run.ExitCode()) << "went on past a report: files are missing";
    ExpectArchiveNotInstalled();
    std::set<std::string> passedOver = Members();
    ExpectInstalled(passedOver);
}

TEST_F(DamagedSampleArchiveTest, CancelFailsTheRun)
{
    ASSERT_TRUE(ClickButton(report, IDCANCEL));
    EXPECT_EQ(1, run.ExitCode());
    ExpectArchiveNotInstalled();
    EXPECT_EQ("(none)", LogValue("destinations", "0")) << "the install model is written at the end";
    EXPECT_EQ("(none)", RegString(kUninstallKey, "UninstallString"));
}

// Cancel pressed while an archive is expanded, at a moment made certain: the
// copy step waits in the prompt for a diskette moved elsewhere when Cancel is
// pressed, and it comes back before its answer.
TEST_F(SampleSetupTest, CancelDuringCopyingAskedYesFailsTheRun)
{
    std::string volume = FileNamed("PELTO.EXE").archive;
    ++volume.back();
    std::string elsewhere;
    const std::string missing = MoveDiskettesAway(volume, elsewhere);

    StartFromSet();
    WalkToCopying();
    HWND copying = run.WaitForPage(IDD_COPY);
    ASSERT_NE(nullptr, copying);
    HWND prompt = WaitForDiskettePrompt(missing);
    ASSERT_NE(nullptr, prompt);
    ::SendMessageA(::GetDlgItem(prompt, IDC_LOCATION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(elsewhere.c_str()));
    ::PostMessageA(copying, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(ClickButton(prompt, IDOK));
    AnswerExitQuestion("&Yes");
    HWND failed = run.WaitForPage(IDD_FAILED);
    ASSERT_NE(nullptr, failed);
    ASSERT_TRUE(ClickButton(failed, IDOK));
    EXPECT_EQ(1, run.ExitCode());

    // What was installed before stays whole; nothing half-expanded is left.
    for (const std::string& name : FilesIn(Main())) {
        const SampleFile& file = FileNamed(name);
        EXPECT_EQ(ReadFileBytes(file.source), ReadFileBytes(file.path)) << name;
    }
    EXPECT_EQ("(none)", LogValue("destinations", "0"));
    EXPECT_EQ("(none)", RegString(kUninstallKey, "UninstallString"));
}

// The removal the system lists runs INSTALL.EXE /U from the destination; the
// sample does not install its setup program there, so the one on its first
// diskette stands in and reads the same install log.
TEST_F(SampleSetupTest, RegisteredRemovalTakesTheInstallationAway)
{
    InstallUnattended();
    const std::string command = RegString(kUninstallKey, "UninstallString");
    const std::size_t options = command.rfind(" /U");
    ASSERT_NE(std::string::npos, options) << command;
    std::string program = command.substr(0, options);
    if (program.front() == '"')
        program = program.substr(1, program.size() - 2);
    run.StartProgram(FileExists(program) ? program : Disk(1) + "INSTALL.EXE", command.substr(options + 1));

    HWND confirm = run.WaitForPage(IDD_REMOVE_CONFIRM);
    ASSERT_NE(nullptr, confirm);
    Next(confirm);
    HWND removed = run.WaitForPage(IDD_REMOVED);
    ASSERT_NE(nullptr, removed);
    ASSERT_TRUE(ClickButton(removed, IDOK));
    EXPECT_EQ(0, run.ExitCode());
    ExpectRemoved();
}

// Windows ends the session while the unattended copy waits in the prompt for
// a diskette: the prompt goes, the run ends as failed, and the install log
// holds a line for every file installed until then.
TEST_F(SampleSetupTest, SessionEndDuringCopyingFailsTheRunWithTheFilesSoFarInTheLog)
{
    const std::string volume = SpanningVolume();
    ASSERT_FALSE(volume.empty()) << "no archive spans diskettes";
    std::string elsewhere;
    const std::string missing = MoveDiskettesAway(volume, elsewhere);

    run.UseStatusLibrary(PELTO_STATUS_LIBRARY, Disk(1));
    StartFromSet("/B");
    ASSERT_NE(nullptr, WaitForDiskettePrompt(missing));
    ASSERT_TRUE(run.EndSession());
    EXPECT_EQ(1, run.ExitCode());
    EXPECT_EQ("Install failed.|0", run.StatusReport());

    std::size_t installed = 0;
    for (const SampleFile& file : files) {
        if (!FileExists(file.path))
            continue;
        ++installed;
        EXPECT_EQ(ReadFileBytes(file.source), ReadFileBytes(file.path)) << file.path;
        EXPECT_EQ(std::to_string(file.destination) + "|1|0", LogValue(file.group, file.name)) << file.path;
    }
    EXPECT_LT(0u, installed) << "files of the diskettes before the missing one";
    for (const std::string& name : FilesIn(Main()))
        EXPECT_NO_THROW(FileNamed(name)) << name << ": no scratch file is left";
    EXPECT_EQ("(none)", LogValue("destinations", "0"));
    EXPECT_EQ("(none)", RegString(kUninstallKey, "UninstallString"));
}

// The group typed at installation is recorded in the install log, and the
// removal takes the items from there: nothing of the installation stays in
// either group, and a group of the product's own name that someone else
// made keeps its item of the same name.
TEST_F(SampleSetupTest, RemovalTakesTheItemsFromTheGroupTypedAtInstallation)
{
    const std::string otherGroup = ProgramsFolder() + AfxLoadString(IDS_DEFAULT_GROUP_NAME) + "\\";
    ASSERT_EQ(0, ::SHCreateDirectoryExA(nullptr, otherGroup.c_str(), nullptr));
    WriteFileBytes(otherGroup + "Pelto.lnk", "someone else's item");

    StartFromSet();
    WalkToCopying("Tools");
    HWND finished = run.WaitForPage(IDD_FINISHED);
    ASSERT_NE(nullptr, finished);
    ASSERT_TRUE(ClickButton(finished, IDOK));
    EXPECT_EQ(0, run.ExitCode());
    ExpectInstalled({}, true, 1, false, "Tools");
    EXPECT_EQ((std::set<std::string>{"Pelto.lnk"}), FilesIn(otherGroup));

    run.StartProgram(Disk(1) + "INSTALL.EXE", "/U /B");
    EXPECT_EQ(0, run.ExitCode());
    ExpectRemoved("Tools");
    EXPECT_EQ((std::set<std::string>{"Pelto.lnk"}), FilesIn(otherGroup));
    EXPECT_EQ("someone else's item", ReadFileBytes(otherGroup + "Pelto.lnk"));
}

TEST_F(SampleSetupTest, RemovalCancelledOnItsFirstPageLeavesTheInstallation)
{
    InstallUnattended();
    StartFromSet("/U");
    HWND confirm = run.WaitForPage(IDD_REMOVE_CONFIRM);
    ASSERT_NE(nullptr, confirm);
    EXPECT_FALSE(IsControlEnabled(SetupRun::NavigationBar(confirm), IDC_BACK));
    ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(confirm), IDCANCEL));
    HWND failed = run.WaitForPage(IDD_FAILED);
    ASSERT_NE(nullptr, failed) << "no question first";
    ASSERT_TRUE(ClickButton(failed, IDOK));
    EXPECT_EQ(1, run.ExitCode());
    ExpectInstalled();
}

// ---- The administrator's quiet run and its run log ---------------------------------

// The run log's lines, each split at its tabs.
std::vector<std::vector<std::string>> RunLogLines(const std::string& path)
{
    std::vector<std::vector<std::string>> lines;
    std::istringstream text(ReadFileBytes(path));
    for (std::string line; std::getline(text, line);) {
        EXPECT_FALSE(line.empty() || line.back() != '\r') << "each line ends in CR LF: " << line;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields;
        for (std::size_t begin = 0;;) {
            const std::size_t tab = line.find('\t', begin);
            fields.push_back(line.substr(begin, tab - begin));
            if (tab == std::string::npos)
                break;
            begin = tab + 1;
        }
        EXPECT_EQ(23u, fields[0].size()) << "time as 2026-12-08T14:03:59.123: " << line;
        EXPECT_GE(fields.size(), 3u) << line;
        lines.push_back(fields);
    }
    return lines;
}
// The lines of `kind` whose first field is `first` (any when empty).
std::vector<std::vector<std::string>> LinesOf(const std::vector<std::vector<std::string>>& lines,
                                              const std::string& kind, const std::string& first = {})
{
    std::vector<std::vector<std::string>> found;
    for (const auto& line : lines)
        if (line.size() > 2 && line[1] == kind && (first.empty() || line[2] == first))
            found.push_back(line);
    return found;
}
DWORD RegNumber(const char* key, const char* name)
{
    DWORD number = 0, size = sizeof number;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &number, &size) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return number;
}

// /Q installs and removes without a window waiting, and the run log, appended
// by both runs, tells every file's fate, the registry entries, the items and
// each run's exit code; the removal entry carries what an inventory reads.
TEST_F(SampleSetupTest, QuietInstallationAndRemovalLogEveryFileAndLeaveTheInventoryEntry)
{
    const std::string log = run.Folder() / "run.log";
    StartFromSet("/Q /L:" + log);
    ASSERT_EQ(0, run.ExitCode());
    ExpectInstalled();
    EXPECT_EQ(Main() + "INSTALL.EXE /U /Q", RegString(kUninstallKey, "QuietUninstallString"));
    EXPECT_EQ(Main().substr(0, Main().size() - 1), RegString(kUninstallKey, "InstallLocation"));
    EXPECT_EQ(Main() + "pelto.exe", RegString(kUninstallKey, "DisplayIcon"));
    std::uint64_t bytes = 0;
    for (const SampleFile& file : files)
        bytes += ReadFileBytes(file.source).size();
    EXPECT_EQ((bytes + 1023) / 1024, RegNumber(kUninstallKey, "EstimatedSize"));
    EXPECT_EQ(1u, RegNumber(kUninstallKey, "NoModify"));
    EXPECT_EQ(1u, RegNumber(kUninstallKey, "NoRepair"));

    auto lines = RunLogLines(log);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("start", lines.front()[1]);
    EXPECT_EQ("install", lines.front().back());
    EXPECT_EQ((std::vector<std::string>{"end", "0", "success", "-", "-"}),
              std::vector<std::string>(lines.back().begin() + 1, lines.back().end()));
    const auto installed = LinesOf(lines, "file");
    EXPECT_EQ(files.size(), installed.size());
    for (const SampleFile& file : files) {
        bool logged = false;
        for (const auto& line : installed)
            logged = logged || (line.size() == 8 && line[2] == "new" && EqualNoCase(line[3], file.path));
        EXPECT_TRUE(logged) << "no 'new' line for " << file.path;
    }
    std::size_t shared = 0;
    for (const SampleFile& file : files)
        if (file.destination == DEST_SYSTEM)
            ++shared;
    EXPECT_EQ(shared, LinesOf(lines, "shared").size());
    EXPECT_EQ(1u, LinesOf(lines, "group", AfxLoadString(IDS_DEFAULT_GROUP_NAME)).size());
    ASSERT_FALSE(LinesOf(lines, "destination", "0").empty());
    EXPECT_EQ(Main(), LinesOf(lines, "destination", "0")[0][3]);
    EXPECT_EQ(layout.m_targets.size(), LinesOf(lines, "item", "add").size());
    EXPECT_EQ(2u, LinesOf(lines, "registry", "write").size());
    EXPECT_TRUE(LinesOf(lines, "error").empty() && LinesOf(lines, "message").empty());

    StartFromSet("/U /Q /L:" + log);
    ASSERT_EQ(0, run.ExitCode());
    ExpectRemoved();
    lines = RunLogLines(log);
    EXPECT_EQ(2u, LinesOf(lines, "start").size()) << "the removal's lines follow the installation's";
    EXPECT_EQ("remove", LinesOf(lines, "start")[1].back());
    EXPECT_EQ("0", lines.back()[2]);
    std::size_t deleted = 0;
    for (const SampleFile& file : files)
        if (file.destination != DEST_SYSTEM)
            ++deleted;
    EXPECT_EQ(deleted, LinesOf(lines, "remove", "deleted").size());
    ASSERT_EQ(shared, LinesOf(lines, "remove", "shared").size());
    EXPECT_EQ("count 0", LinesOf(lines, "remove", "shared")[0][4]);
    EXPECT_EQ(2u, LinesOf(lines, "registry", "remove").size());
}

// Nothing can wait under /Q: an error report is answered Cancel, a diskette
// that is not where the set lies is not found, a file in use waits for the
// restart; each run ends by itself with its exit code, and its log says why.
TEST_F(DamagedSampleArchiveTest, QuietRunAnswersTheReportCancel)
{
    ASSERT_TRUE(ClickButton(report, IDCANCEL));
    ASSERT_EQ(1, run.ExitCode());
    const std::string log = run.Folder() / "quiet.log";
    StartFromSet("/Q /L:" + log);
    EXPECT_EQ(1, run.ExitCode());
    ExpectArchiveNotInstalled();
    const auto lines = RunLogLines(log);
    const auto errors = LinesOf(lines, "error", std::to_string(IDS_CANNOT_INSTALL_FILES_FROM));
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("cancel", errors[0][6]);
    EXPECT_EQ("quiet", errors[0][7]);
    EXPECT_EQ("1", lines.back()[2]);
}

TEST_F(SampleSetupTest, QuietRunFindsNoDisketteOutsideTheSet)
{
    const std::string volume = SpanningVolume();
    ASSERT_FALSE(volume.empty()) << "no archive spans diskettes";
    std::string elsewhere;
    const std::string missing = MoveDiskettesAway(volume, elsewhere);
    const std::string log = run.Folder() / "quiet.log";
    StartFromSet("/Q /L:" + log);
    EXPECT_EQ(1, run.ExitCode());
    const auto prompts = LinesOf(RunLogLines(log), "diskette");
    ASSERT_EQ(1u, prompts.size());
    EXPECT_TRUE(EqualNoCase(missing, prompts[0][4])) << prompts[0][4];
    EXPECT_EQ("not found", prompts[0][5]);
    EXPECT_EQ("(none)", RegString(kUninstallKey, "UninstallString"));
}

TEST_F(SampleSetupTest, QuietRunWithAFileInUseEndsWithTheRestartCode)
{
    const SampleFile& held = FileNamed("PELTO.HLP");
    const auto holder = HoldOlderCopy(held);
    ASSERT_TRUE(holder->IsHolding());
    const std::string log = run.Folder() / "quiet.log";
    StartFromSet("/Q /L:" + log);
    EXPECT_EQ(3010, run.ExitCode());
    EXPECT_EQ("old", ReadFileBytes(held.path));
    const auto lines = RunLogLines(log);
    bool waits = false;
    for (const auto& line : LinesOf(lines, "file", "restart"))
        waits = waits || (EqualNoCase(line[3], held.path) && line[4] == "time" && line[6] == "1995-05-09T06:13:20Z");
    EXPECT_TRUE(waits) << "the file waits for the restart, newer by its time";
    EXPECT_EQ((std::vector<std::string>{"3010", "success", "restart", "-"}),
              std::vector<std::string>(lines.back().begin() + 2, lines.back().end()));
}

// Runs refused at start end at once with their own codes, and leave the
// machine's install log and status alone: a run log that cannot be made, a
// second setup while one runs, a source directory that is no location.
TEST_F(SampleSetupTest, RunsRefusedAtStartEndWithTheirOwnCodes)
{
    StartFromSet("/Q /L:" + run.Folder() / "NO\\SUCH\\run.log");
    EXPECT_EQ(1622, run.ExitCode());
    EXPECT_FALSE(FileExists(kLog));

    const std::string log = run.Folder() / "quiet.log";
    StartFromSet("/Q /D:C:\\A*B /L:" + log);
    EXPECT_EQ(1, run.ExitCode());
    EXPECT_EQ(1u, LinesOf(RunLogLines(log), "error", "source").size());
    // A run that started and failed records its failed status report there.
    ::DeleteFileA(kLog.c_str());

    SetupRun first({});
    first.StartProgram(Disk(1) + "INSTALL.EXE");
    ASSERT_NE(nullptr, first.WaitForPage(IDD_WELCOME));
    StartFromSet("/Q /L:" + log);
    EXPECT_EQ(1618, run.ExitCode());
    EXPECT_EQ("1618", RunLogLines(log).back()[2]);
    StartFromSet();
    HWND refusal = run.WaitForDialogShowing(AfxLoadString(IDS_SETUP_ALREADY_RUNNING));
    ASSERT_NE(nullptr, refusal) << "without /Q the refusal is told";
    ASSERT_TRUE(SetupRun::ClickButtonLabelled(refusal, "OK"));
    EXPECT_EQ(1618, run.ExitCode());
    EXPECT_TRUE(first.IsRunning());
    EXPECT_FALSE(FileExists(kLog)) << "the refused runs left the install log alone";
}

// Windows NT 3.51 has no Start menu: the items go to Program Manager over DDE
// (Wine's keeps them as shortcuts in the Programs folder). Wine fixes the
// version a program sees when it starts, by the program's name.
TEST_F(SampleSetupTest, ProgramManagerMakesTheItemsUnderWindowsNT351)
{
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\INSTALL.EXE", "Version",
                                               REG_SZ, "nt351", 6));
    InstallUnattended();
    ExpectInstalled({}, true, 1, true);
}

// The set as it ships: the diskette images diskset writes, put into drive A:
// one after another. The setup program is started from the first diskette
// in drive A:, and at each prompt the diskette in the drive is taken out and
// the next one put in before OK, as a person would. After each change no
// program may hold a file of the diskette taken out, but for the setup
// program's own image: Wine maps it from the disk it was started from and,
// unlike Windows, does not copy a program marked to run from the swap file.
class FloppySetupTest : public SampleSetupTest {
protected:
    void SetUp() override
    {
        SampleSetupTest::SetUp();
        if (HasFatalFailure())
            return;
        const char* mountPoint = std::getenv("PELTO_DRIVE_A");
        if (!mountPoint || !*mountPoint)
            GTEST_SKIP() << "no diskette drive A: (CTest gives one with PELTO_DRIVE_A)";
        const std::string images = WindowsPath(PELTO_FLOPPY_SET) + "\\";
        if (!FileExists(images + "DISK01.img"))
            GTEST_SKIP() << "no diskette images (diskset build --images runs on the native build)";
        for (int number = 1;; ++number) {
            const std::string image = images + (number < 10 ? "DISK0" : "DISK") + std::to_string(number) + ".img";
            if (!FileExists(image))
                break;
            diskettes.push_back(UnixPath(image));
        }
        drive = std::make_unique<CFloppyDrive>(mountPoint, run.Folder().Path());
        const std::string inserted = drive->Insert(diskettes.front());
        if (inserted.rfind("cannot mount", 0) == 0 || inserted.rfind("losetup", 0) == 0)
            GTEST_SKIP() << "this machine cannot mount a diskette image: " << inserted;
        ASSERT_EQ("ok", inserted);
        ASSERT_EQ(static_cast<UINT>(DRIVE_REMOVABLE), ::GetDriveTypeA("A:\\"));
        TakeFileDetailsFromTheDrive();
    }

    // Plain files are installed with the time and attributes the drive
    // reports for them (fusefat, where the kernel has no FAT driver, reports
    // times a month late).
    void TakeFileDetailsFromTheDrive()
    {
        for (SampleFile& file : files)
            if (file.archive.empty() && FileExists("A:\\" + file.name)) {
                file.time = ModifiedTime("A:\\" + file.name);
                file.attributes = Attributes("A:\\" + file.name);
            }
    }

    // Answers every diskette prompt of the run with the next diskette, until
    // the run needs no more of them.
    void ChangeDiskettesAtEachPrompt()
    {
        const std::string labelled = AfxLoadString(IDS_INSERT_LABELLED_DISKETTE);
        for (std::size_t next = 1; next < diskettes.size(); ++next) {
            const std::string label = StringFormat(layout.m_labelPattern.c_str(), static_cast<int>(next + 1));
            const std::string request = StringFormat(labelled.c_str(), label.c_str(), "A");
            HWND prompt = run.WaitForDialogShowing(request);
            ASSERT_NE(nullptr, prompt) << "no prompt for diskette " << next + 1;
            EXPECT_EQ(request, ControlText(prompt, IDC_PROMPT_REQUEST));
            ASSERT_EQ("ok", drive->Eject());
            EXPECT_EQ("", HeldFiles()) << "files of diskette " << next << " still held";
            ASSERT_EQ("ok", drive->Insert(diskettes[next]));
            TakeFileDetailsFromTheDrive();
            ASSERT_TRUE(ClickButton(prompt, IDOK));
        }
    }

    // What a process still holds of the diskette taken out last, but for two
    // things of Wine's own: the setup program's image on the first diskette,
    // and the Unix working folder of the setup process, which Wine sets to the
    // current directory it started in and leaves there (the program's own
    // current directory, a handle, moves off the diskette at start).
    std::string HeldFiles()
    {
        const std::string holders = drive->Holders();
        if (holders == "ok")
            return {};
        std::istringstream lines(holders);
        std::string held;
        for (std::string line; std::getline(lines, line);) {
            const bool image = line.size() > 12 && line.compare(line.size() - 12, 12, "/INSTALL.EXE") == 0 &&
                               (line.find("| map ") != std::string::npos || line.find("wineserver") != std::string::npos);
            const bool unixFolder = line.find("INSTALL.EXE") < line.find("| cwd ") &&
                                    line.find("| cwd ") != std::string::npos;
            if (!image && !unixFolder)
                held += line + "\n";
        }
        return held;
    }

    void ExpectRemovalWithoutDiskette()
    {
        ASSERT_EQ("ok", drive->Eject());
        EXPECT_FALSE(FileExists("A:\\INSTALL.EXE"));
        // The sample does not install its setup program: the one of the set
        // copied to disk stands in for the registered one.
        run.StartProgram(Disk(1) + "INSTALL.EXE", "/U /B");
        EXPECT_EQ(0, run.ExitCode());
        ExpectRemoved();
    }

    std::vector<std::string> diskettes;  // Unix paths of the images, in order
    std::unique_ptr<CFloppyDrive> drive;
};

TEST_F(FloppySetupTest, InteractiveInstallationFromDriveAChangesDiskettesAtEachPrompt)
{
    run.StartProgram("A:\\INSTALL.EXE", {}, "A:\\");
    WalkToCopying();  // page 104 proposes the first fixed disk, C:, not the diskette drive
    ChangeDiskettesAtEachPrompt();
    HWND finished = run.WaitForPage(IDD_FINISHED);
    ASSERT_NE(nullptr, finished);
    ASSERT_TRUE(ClickButton(finished, IDOK));
    EXPECT_EQ(0, run.ExitCode());
    ExpectInstalled();
    ExpectRemovalWithoutDiskette();
}

TEST_F(FloppySetupTest, UnattendedInstallationFromDriveAChangesDiskettesAtEachPrompt)
{
    run.StartProgram("A:\\INSTALL.EXE", "/B", "A:\\");
    ChangeDiskettesAtEachPrompt();
    EXPECT_EQ(0, run.ExitCode());
    ExpectInstalled();
    ExpectRemovalWithoutDiskette();
}

} // namespace
