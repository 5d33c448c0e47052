#include "ProfileFixture.h"

#include <vector>

namespace {

// The profile API's double-NUL-terminated list, split.
std::vector<std::string> SplitList(const char* list)
{
    std::vector<std::string> items;
    for (const char* item = list; *item; item += items.back().size() + 1)
        items.emplace_back(item);
    return items;
}

} // namespace

std::map<std::string, std::string> ProfileFixture::Section(const CPathName& file, const char* section)
{
    std::vector<char> buffer(65536);
    ::GetPrivateProfileSectionA(section, buffer.data(), static_cast<DWORD>(buffer.size()), file);
    std::map<std::string, std::string> lines;
    for (const std::string& line : SplitList(buffer.data())) {
        const auto equals = line.find('=');
        lines[line.substr(0, equals)] = equals == std::string::npos ? "" : line.substr(equals + 1);
    }
    return lines;
}

std::vector<std::string> ProfileFixture::SectionNames(const CPathName& file)
{
    std::vector<char> buffer(65536);
    ::GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), file);
    return SplitList(buffer.data());
}

std::vector<std::string> ProfileFixture::Keys(const CPathName& file, const char* section)
{
    std::vector<char> buffer(65536);
    ::GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()), file);
    return SplitList(buffer.data());
}
