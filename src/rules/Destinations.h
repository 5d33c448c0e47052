#pragma once
// The destination ids of the install model, shared by the setup profile, the
// archive headers and the diskset tool; portable (no Windows headers). Ids 1
// and above come from the setup profile's "destinations" section.
#include <cstdint>

enum : std::int16_t {
    DEST_MAIN = 0,      // the directory the user chose
    DEST_NONE = -1,     // not installed
    DEST_WINDOWS = -2,  // the Windows directory
    DEST_SYSTEM = -3,   // the System directory; files there are shared components
    DEST_TEMP = -4,     // the temporary directory
};
