#include "SetupProgram.h"

#include "IniFile.h"

#include <cstdint>
#include <fstream>

namespace {

constexpr std::uint16_t kRemovableRunFromSwap = 0x0400;
constexpr std::uint16_t kNetRunFromSwap = 0x0800;

bool ReadAt(std::ifstream& file, std::uint32_t offset, unsigned char* bytes, std::size_t count)
{
    file.clear();
    file.seekg(offset);
    return file && file.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count)) &&
           static_cast<std::size_t>(file.gcount()) == count;
}

} // namespace

SetupProgramKind ExamineSetupProgram(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw CInputError(path + ": cannot be read");
    unsigned char dos[0x40];
    if (!ReadAt(file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return SetupProgramKind::notWindowsProgram;
    const std::uint32_t pe = dos[0x3C] | dos[0x3D] << 8 | dos[0x3E] << 16 | static_cast<std::uint32_t>(dos[0x3F]) << 24;
    unsigned char header[24];
    if (pe > 0x10000000 || !ReadAt(file, pe, header, sizeof header) || header[0] != 'P' || header[1] != 'E' ||
        header[2] != 0 || header[3] != 0)
        return SetupProgramKind::notWindowsProgram;
    const std::uint16_t characteristics = static_cast<std::uint16_t>(header[22] | header[23] << 8);
    const std::uint16_t both = kRemovableRunFromSwap | kNetRunFromSwap;
    return (characteristics & both) == both ? SetupProgramKind::runsFromSwap : SetupProgramKind::pagedFromItsDisk;
}
