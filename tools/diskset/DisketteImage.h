#pragma once
// Writes a diskette image with Debian's mtools: an image of the medium's raw
// size, formatted by mformat with the medium's geometry, label and serial
// number, and the files copied into its root folder by mcopy with their
// times. The times go in as UTC, so that the same set gives the same image
// wherever it is built.
#include "DisketteMedia.h"

#include <cstdint>
#include <string>
#include <vector>

// Empty when mformat and mcopy can be started, else why images cannot be made.
std::string ImageToolsProblem();

struct DisketteImageSpec {
    const DisketteMedium* medium = nullptr;
    std::string label;           // a FAT label already (VolumeLabelFor)
    std::uint32_t serial = 0;
    std::int64_t labelTime = 0;  // the label entry's time, UTC seconds
    std::vector<std::string> files;  // in the order of the root folder
};

// Throws CInputError naming the image and what mtools said.
void WriteDisketteImage(const std::string& image, const DisketteImageSpec& spec);
