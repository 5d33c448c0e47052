#include "rules/DisketteFolders.h"

#include "rules/ProfileFields.h"

#include <cstdio>

int DisketteNumberOfFolder(const std::string& folder)
{
    if (folder.size() <= 2)
        return 0;
    return ParseLong(folder.c_str() + folder.size() - 2);
}

std::string DisketteDigits(int disk)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", disk);
    return digits;
}

bool MoveToDisketteFolder(std::string& folder, int disk)
{
    if (DisketteNumberOfFolder(folder) == 0)
        return false;
    folder.replace(folder.size() - 2, 2, DisketteDigits(disk));
    return true;
}
