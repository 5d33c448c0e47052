#pragma once
// The diskettes of the set, by number (from 1): the label shown when a diskette
// is asked for. Loaded from section "diskettes" of the setup profile; never
// written. The array owns its diskettes.
#include "system/PathName.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CDiskette {
    std::string m_strLabel;
    std::string m_strSecond;  // stored, read by nobody
};

class CDisketteArray {
public:
    // Diskette numbers an item can ask for: the absolute value of a 16-bit number.
    static constexpr std::int32_t kMaxNumber = 32768;

    CDisketteArray() = default;
    CDisketteArray(const CDisketteArray&) = delete;
    CDisketteArray& operator=(const CDisketteArray&) = delete;

    // Reads section "diskettes" (key number, value label|second). An absent
    // section is no error. A number below 0 or above kMaxNumber is passed over;
    // a diskette listed twice keeps its later line.
    void LoadFromProfile(const CPathName& file);

    // The label of diskette n; empty when n is negative, beyond the array or
    // names an empty slot.
    std::string GetLabel(int n) const;
    const CDiskette* GetAt(int n) const;
    std::size_t GetSize() const noexcept { return m_array.size(); }

private:
    std::vector<std::unique_ptr<CDiskette>> m_array;
};
