// Benchmark helper of make bench, not a test: replays the per-file lines of
// an install log into a new file beside it, twice, and prints how long each
// took: through the copy step's CInstallLogWriter, with VERSIONS interim
// versions written evenly on the way (a run writes one each time a volume
// begins whose members have no line yet) and the final one; and one
// WritePrivateProfileStringA call per line, as the lines were once written,
// each of which reads and rewrites the whole file under Wine.
//   profile_writes SOURCE-LOG TARGET-LOG VERSIONS
// prints: LINES WRITER-SECONDS LINE-BY-LINE-SECONDS
#include "profile/InstallLogWriter.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
    if (argc != 4) {
        std::fprintf(stderr, "usage: profile_writes SOURCE-LOG TARGET-LOG VERSIONS\n");
        return 2;
    }
    const std::size_t versions = static_cast<std::size_t>(std::max(0, std::atoi(argv[3])));
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
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const auto seconds = [&frequency](const LARGE_INTEGER& start) {
        LARGE_INTEGER end;
        ::QueryPerformanceCounter(&end);
        return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    };

    ::DeleteFileA(argv[2]);
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    {
        CInstallLogWriter writer{CPathName(argv[2])};
        writer.Open();
        const std::size_t every = versions ? lines.size() / versions + 1 : lines.size() + 1;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            writer.WriteLine(lines[i].section, lines[i].key, lines[i].value);
            if ((i + 1) % every == 0 && !writer.Flush()) {
                std::fprintf(stderr, "profile_writes: cannot write %s\n", argv[2]);
                return 1;
            }
        }
        if (!writer.Close()) {
            std::fprintf(stderr, "profile_writes: cannot write %s\n", argv[2]);
            return 1;
        }
    }
    const double batched = seconds(start);

    ::DeleteFileA(argv[2]);
    ::QueryPerformanceCounter(&start);
    for (const Line& line : lines)
        if (!::WritePrivateProfileStringA(line.section.c_str(), line.key.c_str(), line.value.c_str(), argv[2])) {
            std::fprintf(stderr, "profile_writes: cannot write %s\n", argv[2]);
            return 1;
        }
    const double lineByLine = seconds(start);
    ::DeleteFileA(argv[2]);
    std::printf("%zu %.3f %.3f\n", lines.size(), batched, lineByLine);
    return 0;
}
