#pragma once
// What the copy step asks of whoever runs it (the copy page, or a test):
// where a file of another diskette is, what to show while a file is
// installed, when to let waiting messages through, and whether to go on after
// an error. The copy step calls it on its own thread only.
#include "system/PathName.h"

#include <cstdint>
#include <string>

class CException;
class CInstallFile;

class IInstallHost {
public:
    virtual ~IInstallHost() = default;

    // `missingFile` of diskette `disk` is neither in the source directory nor
    // in a sibling directory of a set copied to disk: TRUE with the directory
    // where it now is in `location`, FALSE when the user refused.
    virtual BOOL LocateDisketteFile(const CPathName& missingFile, int disk, std::string& location) = 0;
    // Archive item `name` is about to be installed.
    virtual void ItemBegun(const std::string& name) = 0;
    // `file` is being installed; it stays current until FileEnded.
    virtual void FileBegun(const CInstallFile& file) = 0;
    // The current file has `bytesDone` of the selected items' bytes behind
    // it. FALSE: stop, the user cancelled the run.
    virtual BOOL FileProgress(const CInstallFile& file, std::uint32_t bytesDone) = 0;
    virtual void FileEnded() noexcept = 0;
    // Lets waiting messages through; with `onlyWhenDue`, not when they were
    // let through a moment ago. TRUE when they were let through.
    virtual BOOL LetMessagesThrough(BOOL onlyWhenDue) = 0;
    // Installing from `path` failed with `e`: TRUE to go on with the next
    // item, FALSE to fail the run.
    virtual BOOL ContinueAfterError(const CException& e, const std::string& path) = 0;
};
