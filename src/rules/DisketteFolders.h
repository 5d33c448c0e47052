#pragma once
// The diskettes of a set copied to disk lie in sibling folders numbered by
// the last two characters of their names ('C:\SETUP\DISK01', 'C:\SETUP\DISK02').
// The setup program looks for a file of a later diskette there before it asks
// for the diskette; diskset names the folders of a set so and finds them so
// when it tests one.
#include <string>

// The most diskettes two digits number.
constexpr int kMaxDiskettes = 99;

// The diskette number of a folder, given as a path without a trailing
// separator: its last two characters read by the atol rules, when the path is
// longer than two characters. 0 (no diskette's folder) otherwise, also for
// 'DISK00'; '\SETUP\DISK01' gives 1, '\SETUP\DISKS' 0.
int DisketteNumberOfFolder(const std::string& folder);
// A diskette's number as the folders carry it: at least two digits ("07").
std::string DisketteDigits(int disk);
// folder moved to the sibling folder of diskette disk, its last two
// characters replaced by DisketteDigits(disk); false, and folder unchanged,
// when its number is 0.
bool MoveToDisketteFolder(std::string& folder, int disk);
