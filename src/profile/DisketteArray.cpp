#include "profile/DisketteArray.h"

#include "profile/ProfileSection.h"
#include "profile/ProfileString.h"
#include "rules/ProfileFields.h"

void CDisketteArray::LoadFromProfile(const CPathName& file)
{
    CProfileSection section("diskettes");
    section.SetFile(file);
    CProfileString value;
    for (BOOL more = section.FirstKey(value); more; more = section.NextKey(value)) {
        value.Load();
        std::int32_t number = 0;
        GetLongField(number, value.GetKey(), 0, '|');
        // A number read from the profile must not grow the array without bound.
        if (number < 0 || number > kMaxNumber)
            continue;
        auto diskette = std::make_unique<CDiskette>();
        GetField(diskette->m_strLabel, value.GetText(), 0, '|');
        GetField(diskette->m_strSecond, value.GetText(), 1, '|');
        const auto index = static_cast<std::size_t>(number);
        if (index >= m_array.size())
            m_array.resize(index + 1);
        m_array[index] = std::move(diskette);
    }
}

const CDiskette* CDisketteArray::GetAt(int n) const
{
    if (n < 0 || static_cast<std::size_t>(n) >= m_array.size())
        return nullptr;
    return m_array[static_cast<std::size_t>(n)].get();
}

std::string CDisketteArray::GetLabel(int n) const
{
    const CDiskette* diskette = GetAt(n);
    return diskette ? diskette->m_strLabel : std::string();
}
