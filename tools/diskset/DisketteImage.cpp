#include "DisketteImage.h"

#include "IniFile.h"
#include "Process.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void Run(const std::string& image, const std::vector<std::string>& args, std::int64_t labelTime)
{
    // No check of the image's geometry against a drive (SKIP_CHECK), UTC for
    // the times, and the label's time fixed instead of the clock's.
    const std::vector<std::string> environment = {"MTOOLS_SKIP_CHECK=1", "TZ=UTC0",
                                                  "SOURCE_DATE_EPOCH=" + std::to_string(labelTime)};
    std::string output;
    const int status = RunProgram(args, environment, output);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
        output.pop_back();
    if (status != 0)
        throw CInputError(image + ": " + args[0] + " failed" +
                          (status < 0 ? std::string() : " (exit status " + std::to_string(status) + ")") +
                          (output.empty() ? std::string() : ": " + output));
}

} // namespace

std::string ImageToolsProblem()
{
#if defined(_WIN32)
    return "diskette images are made with mtools (mformat, mcopy), which the Windows build of diskset cannot "
           "start; build the images with diskset on Linux (Debian package mtools)";
#else
    for (const char* tool : {"mformat", "mcopy"})
        if (!ProgramOnPath(tool))
            return std::string("diskette images are made with mtools, but ") + tool +
                   " is not on PATH; install it (Debian: apt-get install mtools)";
    return {};
#endif
}

void WriteDisketteImage(const std::string& image, const DisketteImageSpec& spec)
{
    const DisketteMedium& m = *spec.medium;
    // Absolute names: mtools must not read a name that starts with '-' as an
    // option, nor one that starts with "X:" as a drive.
    const std::string path = fs::absolute(image).string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out)
            throw CInputError(image + ": cannot be created");
    }
    std::error_code error;
    fs::resize_file(path, static_cast<std::uintmax_t>(m.RawSize()), error);
    if (error)
        throw CInputError(image + ": cannot be written: " + error.message());
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08X", spec.serial);
    Run(image,
        {"mformat", "-i", path, "-t", std::to_string(m.tracks), "-h", std::to_string(m.heads), "-s",
         std::to_string(m.sectorsPerTrack), "-c", std::to_string(m.sectorsPerCluster), "-r",
         std::to_string(m.RootSectors()), "-L", std::to_string(m.fatSectors), "-R",
         std::to_string(DisketteMedium::kReservedSectors), "-m", std::to_string(m.mediaByte), "-N", serial, "-v",
         spec.label, "::"},
        spec.labelTime);
    std::vector<std::string> copy = {"mcopy", "-i", path, "-m", "-D", "o"};
    for (const std::string& file : spec.files)
        copy.push_back(fs::absolute(file).string());
    copy.push_back("::/");
    Run(image, copy, spec.labelTime);
}
