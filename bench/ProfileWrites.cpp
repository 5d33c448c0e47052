// Benchmark helper of make bench, not a test: replays the per-file lines of
// an install log through WritePrivateProfileStringA into a new file beside
// it, one call per line as the copy step makes them, and prints how long
// that took. Under Wine each call reads and rewrites the whole file, so this
// is the part of an installation's time that its install log costs.
//   profile_writes SOURCE-LOG TARGET-LOG
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The sections the copy step does not write file by file.
bool IsModelSection(const std::string& name)
{
    for (const char* model : {"destinations", "groups", "targets", "Events"})
        if (::lstrcmpiA(name.c_str(), model) == 0)
            return true;
    return false;
}

// The strings of a double-NUL-terminated list.
std::vector<std::string> SplitList(const std::vector<char>& buffer)
{
    std::vector<std::string> items;
    for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1)
        items.emplace_back(p);
    return items;
}

std::vector<char> ReadList(const char* section, const char* file)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const DWORD n = section ? ::GetPrivateProfileSectionA(section, buffer.data(), static_cast<DWORD>(buffer.size()), file)
                                : ::GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), file);
        if (n + 2 < buffer.size())
            return buffer;
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: profile_writes SOURCE-LOG TARGET-LOG\n");
        return 2;
    }
    struct Line {
        std::string section, key, value;
    };
    std::vector<Line> lines;
    for (const std::string& section : SplitList(ReadList(nullptr, argv[1]))) {
        if (IsModelSection(section))
            continue;
        for (const std::string& entry : SplitList(ReadList(section.c_str(), argv[1]))) {
            const std::size_t equals = entry.find('=');
            if (equals != std::string::npos)
                lines.push_back({section, entry.substr(0, equals), entry.substr(equals + 1)});
        }
    }
    ::DeleteFileA(argv[2]);
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    for (const Line& line : lines)
        if (!::WritePrivateProfileStringA(line.section.c_str(), line.key.c_str(), line.value.c_str(), argv[2])) {
            std::fprintf(stderr, "profile_writes: cannot write %s\n", argv[2]);
            return 1;
        }
    ::QueryPerformanceCounter(&end);
    ::DeleteFileA(argv[2]);
    std::printf("%zu %.3f\n", lines.size(),
                static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
