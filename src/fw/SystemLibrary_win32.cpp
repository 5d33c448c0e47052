#include "fw/SystemLibrary.h"

#include <windows.h>

#include <string>

void* SystemLibraryFunction(const char* library, const char* function) noexcept
{
    char directory[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    try {
        std::string path(directory, length);
        if (path.back() != '\\')
            path += '\\';
        path += library;
        // Never freed: the program keeps pointers into the library. A library
        // already loaded only has its count raised.
        const HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!module)
            return nullptr;
        return reinterpret_cast<void*>(::GetProcAddress(module, function));
    } catch (...) {
        return nullptr;
    }
}
