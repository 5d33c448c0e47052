#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending in the platform's separator.
    const std::string& Path() const noexcept { return m_path; }
    // The folder joined with a relative name.
    std::string operator/(const std::string& name) const { return m_path + name; }

private:
    std::string m_path;
};

// Whole-file helpers for test data.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Bytes zlib cannot shrink, the same for the same seed: they fill diskettes
// as they are.
std::string NoiseBytes(std::size_t size, std::uint32_t seed);
bool FileExists(const std::string& path);
// Names of the files (not folders) in a folder, so that a scratch or backup
// file left behind shows.
std::set<std::string> FilesIn(const std::string& dir);
inline std::set<std::string> FilesIn(const TempDir& dir) { return FilesIn(dir.Path()); }
