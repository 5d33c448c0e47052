#pragma once
// Records of the setup profile and the install log that the setup program
// and diskset both read or write: the item line of a file group's section,
// which diskset writes and the setup program reads, and the line the copy
// step writes into the install log for every file it handled. Fields are read
// by the rules of ProfileFields.h.
#include <cstdint>
#include <string>

// One line of a file group's section of the setup profile: key = the item's
// file name (an archive's first volume), value = size|kind|members|disk|dest|comment.
struct ItemLine {
    static constexpr std::int16_t kPlainFile = 0;
    static constexpr std::int16_t kArchive = 1;  // any other kind installs nothing

    std::int32_t size = 0;          // plain file: bytes to copy; archive: expanded bytes of all members
    std::int16_t kind = kPlainFile;
    std::int16_t members = 0;       // an archive's member count; the installation does not use it
    std::int16_t disk = 0;          // as given: negative sets the item's negative-diskette flag
    std::int16_t destination = 0;   // plain file: where it is copied
    std::string comment;

    // The number of the diskette that holds the item: disk without its sign.
    std::int16_t Diskette() const noexcept { return static_cast<std::int16_t>(disk < 0 ? -disk : disk); }
};

// A field that is missing keeps the default above.
ItemLine ReadItemLine(const std::string& value);
std::string FormatItemLine(const ItemLine& line);

// The value of a file's line in its group's section of the install log:
// "%d|%d|%d" of its destination id and the flags installed and replaced.
std::string FormatInstalledFileLine(std::int16_t destination, bool installed, bool replaced);
