#pragma once
// Drive A: of an end-to-end test: a folder that Wine has as a diskette drive
// (wine-run's PELTO_DRIVE_A), where floppy.sh puts diskette images in,
// read-only through a loop device, and takes them out again as a person
// would, while programs may still hold files of them.
#include <string>

class CFloppyDrive {
public:
    // `mountPoint`: the Unix folder of drive A:; `scratch`: a Windows folder
    // for the script's answers.
    CFloppyDrive(std::string mountPoint, std::string scratch);
    CFloppyDrive(const CFloppyDrive&) = delete;
    CFloppyDrive& operator=(const CFloppyDrive&) = delete;
    ~CFloppyDrive();

    // "ok", or why not.
    std::string Insert(const std::string& image);
    std::string Eject();
    // The files of the diskette taken out last that a process still holds,
    // one "pid program| fd|cwd|map path" line each; "ok" when none.
    std::string Holders();

private:
    std::string Run(const std::string& command, const std::string& argument = {});

    std::string m_strMountPoint;
    std::string m_strScratch;
    bool m_bInserted = false;
};
