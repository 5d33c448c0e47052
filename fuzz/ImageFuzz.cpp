// Fuzz target: diskset's reader of FAT12 diskette images. Input: the bytes of
// an image. A CInputError is the expected answer to a damaged image; any
// other exception, a crash or a sanitizer report is a fault. Every file of
// an image that reads is read whole.
#include "FatImage.h"
#include "IniFile.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CFatImage image;
    try {
        image.Parse(std::vector<unsigned char>(data, data + size), "fuzz.img");
        for (const FatFileEntry& file : image.m_files)
            if (image.Read(file).size() != file.size)
                __builtin_trap();
    } catch (const CInputError&) {
    }
    return 0;
}
