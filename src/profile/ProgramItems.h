#pragma once
// The program group of the installation and its program items: the group
// named on the group page, with one item for every target that received an
// installed path (Start-menu shortcuts on Windows 4.0 and later, Program
// Manager items before). The copy step creates them after the last file is in
// place and before the install log is written; removal deletes them after the
// installed files. Failures are not reported; the run goes on.
//
// The install model's targets joined to the shell's program groups: the
// callers hand in the group name, the targets, destination 0's directory and
// the message pump.
#include "system/PathName.h"

#include <functional>
#include <string>

class CTargetMap;

// Told of each item made or removed: its caption, the program it starts
// (empty on removal) and whether the shell took the change.
using ProgramItemRecorder = std::function<void(const std::string& caption, const std::string& program, BOOL done)>;

// Gives every target with a path an item in `group`, calling `pump` after
// each so that the window stays responsive. The icon is the target's icon
// file in `mainDirectory` (destination 0's) when it is there, else in the
// System directory whether or not it is there; no icon file, no icon path.
void CreateProgramItems(const std::string& group, const CTargetMap& targets, const CPathName& mainDirectory,
                        const std::function<void()>& pump, const ProgramItemRecorder& record = {});
// Removes the item of every target with a path, calling `pump` after each,
// then the group (a shortcut folder only when nothing else is left in it).
void RemoveProgramItems(const std::string& group, const CTargetMap& targets, const std::function<void()>& pump,
                        const ProgramItemRecorder& record = {});
