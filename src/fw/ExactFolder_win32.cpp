#include "fw/ExactFolder.h"

#include <windows.h>

#include <cstring>

namespace {

// Wine's kernel32 gives a Windows path's Unix path; Windows has no such call.
using UnixFileNameFunction = char*(CDECL*)(LPCWSTR);

UnixFileNameFunction UnixFileName()
{
    static const auto function = reinterpret_cast<UnixFileNameFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    return function;
}

bool IsPlainName(const std::string& name)
{
    static const char kPunctuation[] = "!#$%&'()-@^_`{}~.";
    if (name.empty() || name.back() == '.' || name == "." || name == "..")
        return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (!((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
              std::strchr(kPunctuation, c)))
            return false;
    }
    return true;
}

std::wstring Widen(const char* text, UINT codePage)
{
    const int length = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

} // namespace

CExactFolder::CExactFolder(const std::string& directory)
{
    const UnixFileNameFunction unixFileName = UnixFileName();
    if (!unixFileName || directory.empty())
        return;
    const std::wstring dosPath = Widen(directory.c_str(), CP_ACP);
    if (dosPath.empty())
        return;
    char* unixPath = unixFileName(dosPath.c_str());
    if (!unixPath)
        return;
    // Wine's Unix file names are UTF-8.
    std::wstring path = unixPath[0] == '/' ? Widen(unixPath, CP_UTF8) : std::wstring();
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    if (path.empty())
        return;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    if (path.back() != L'\\')
        path += L'\\';
    m_prefix = L"\\\\?\\unix" + path;
}

std::wstring CExactFolder::PathOf(const std::string& name) const
{
    if (m_prefix.empty() || !IsPlainName(name))
        return std::wstring();
    return m_prefix + std::wstring(name.begin(), name.end());
}
