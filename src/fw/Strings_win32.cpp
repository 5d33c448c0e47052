#include "fw/Strings.h"

#include <vector>

#include <windows.h>

bool AfxLoadString(unsigned id, std::string& text)
{
    // LoadStringA cannot tell how long a string is; grow until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const int n = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer.data(),
                                    static_cast<int>(buffer.size()));
        if (n <= 0) {
            text.clear();
            return false;
        }
        if (static_cast<std::size_t>(n) < buffer.size() - 1) {
            text.assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}
