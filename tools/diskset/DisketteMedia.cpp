#include "DisketteMedia.h"

#include <algorithm>
#include <cctype>
#include <cstring>

//                                  name      sectors spt heads tracks cluster root fat media
const DisketteMedium kDisketteMedia[8] = {
    {"160 KB", 320, 8, 1, 40, 1, 64, 1, 0xFE},   {"180 KB", 360, 9, 1, 40, 1, 64, 2, 0xFC},
    {"320 KB", 640, 8, 2, 40, 2, 112, 1, 0xFF},  {"360 KB", 720, 9, 2, 40, 2, 112, 2, 0xFD},
    {"720 KB", 1440, 9, 2, 80, 2, 112, 3, 0xF9}, {"1.2 MB", 2400, 15, 2, 80, 1, 224, 7, 0xF9},
    {"1.44 MB", 2880, 18, 2, 80, 1, 224, 9, 0xF0}, {"2.88 MB", 5760, 36, 2, 80, 2, 240, 9, 0xF0},
};

// The two formats the set's users have most; the others follow the same sums.
static_assert(DisketteMedium{"", 1440, 9, 2, 80, 2, 112, 3, 0xF9}.FileRoom() == 730112);
static_assert(DisketteMedium{"", 2880, 18, 2, 80, 1, 224, 9, 0xF0}.FileRoom() == 1457664);

namespace {

std::string Thousands(std::int64_t value)
{
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

// Characters of a short (8.3) name besides letters and digits.
bool ShortNameSymbol(char c)
{
    return c != 0 && std::strchr("!#$%&'()-@^_`{}~", c) != nullptr;
}

bool ShortPart(const std::string& part, std::size_t most)
{
    if (part.empty() || part.size() > most)
        return false;
    bool upper = false, lower = false;
    for (char c : part) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isupper(u))
            upper = true;
        else if (std::islower(u))
            lower = true;
        else if (!std::isdigit(u) && !ShortNameSymbol(c))
            return false;
    }
    return !(upper && lower);
}

// A character a FAT volume label may hold, after upper-casing.
bool LabelCharacter(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isupper(u) || std::isdigit(u) || c == '-' || c == '_';
}

} // namespace

const DisketteMedium* FindMedium(std::int64_t bytes)
{
    for (const DisketteMedium& medium : kDisketteMedia)
        if (bytes == medium.RawSize() || bytes == medium.FileRoom())
            return &medium;
    return nullptr;
}

std::string MediaList()
{
    std::string list;
    for (const DisketteMedium& medium : kDisketteMedia)
        list += std::string(list.empty() ? "" : ", ") + medium.name + " (" + Thousands(medium.RawSize()) + " or " +
                Thousands(medium.FileRoom()) + ")";
    return list;
}

int DirectoryEntriesFor(const std::string& name)
{
    const std::size_t dot = name.find('.');
    const bool shortName = dot == std::string::npos
                               ? ShortPart(name, 8)
                               : name.find('.', dot + 1) == std::string::npos && ShortPart(name.substr(0, dot), 8) &&
                                     ShortPart(name.substr(dot + 1), 3);
    if (shortName)
        return 1;
    // Non-ASCII bytes count one character each: never fewer than the UTF-16
    // units the long name takes.
    return 1 + static_cast<int>((name.size() + 12) / 13);
}

std::string VolumeLabelFor(const std::string& label, int number)
{
    const std::string digits = std::to_string(number);
    std::string text;
    for (char c : label.empty() ? "DISK " + digits : label) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (LabelCharacter(upper))
            text += upper;
        else if (!text.empty() && text.back() != ' ')
            text += ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    constexpr std::size_t kLength = 11;
    const std::string word = " " + text + " ";
    const bool named = word.find(" " + digits + " ") != std::string::npos;
    if (named && text.size() <= kLength)
        return text;
    // The front, cut where needed, then the number, which must stay readable.
    const std::string tail = " " + digits;
    if (word.size() > tail.size() + 1 && word.compare(word.size() - tail.size() - 1, tail.size(), tail) == 0)
        text.resize(text.size() - tail.size());
    text.resize(std::min(text.size(), kLength - tail.size()));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text.empty() ? "DISK" + tail : text + tail;
}
