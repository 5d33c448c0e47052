#pragma once
// The folders and images of a diskette set, and where the setup program finds
// the files of its diskettes. diskset names the diskettes of a set it builds
// DISK01, DISK02, ... (and their images DISK01.img, ...); the setup program
// knows a diskette's folder only by the last two characters of its path
// (rules/DisketteFolders.h), and diskset reads a set by that rule.
#include <string>
#include <utility>

// The folder and the image of diskette n in a set diskset builds: "DISK01",
// "DISK01.img".
std::string DisketteFolderName(int n);
std::string DisketteImageName(int n);
// n when name is DisketteFolderName(n) of a diskette from 1 on, else 0.
int DisketteFolderNameNumber(const std::string& name);
// n when name is a diskette image's name ("DISK01.img", any case), else 0.
int DisketteImageNumberOf(const std::string& name);

// The diskette number of a folder by the setup program's rule, from the
// last two characters of its path; 0 when it is no diskette's folder.
int DisketteNumberOf(const std::string& folder);
// The folder of diskette n beside folder ("DISK01" -> "DISK03"); folder
// itself when it is no diskette's folder.
std::string DisketteFolder(const std::string& folder, int n);

// Where the setup program looks for a file of diskette n of a set copied to
// disk: in its source folder, else in the sibling folder of diskette n, which
// then becomes the source folder for every later file.
class CDisketteSource {
public:
    explicit CDisketteSource(std::string folder) : m_folder(std::move(folder)) {}

    // The file's path; when it is in neither place, where it was first looked for.
    std::string Locate(const std::string& name, int disk);

private:
    std::string m_folder;
};
