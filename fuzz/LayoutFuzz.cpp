// Fuzz target: diskset's layout reader. Input: the text of a layout file,
// as if read from a folder that holds a source folder "files" and a setup program
// "INSTALL.EXE", as the sample's layout expects. A CInputError is the
// expected answer to a faulty layout; any other exception, a crash or a
// sanitizer report is a fault.
#include "Layout.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string& WorkDir()
{
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/layout-fuzz-XXXXXX";
        if (!::mkdtemp(&pattern[0]))
            std::abort();
        ::mkdir((pattern + "/files").c_str(), 0755);
        if (std::FILE* setup = std::fopen((pattern + "/INSTALL.EXE").c_str(), "wb"))
            std::fclose(setup);
        return pattern;
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CLayout layout;
    try {
        layout.Parse(std::string(reinterpret_cast<const char*>(data), size), WorkDir() + "/fuzz.layout");
    } catch (const CInputError&) {
    }
    return 0;
}
