#include "install/SharedDllCount.h"

CSharedDllCount::CSharedDllCount(const char* filePath)
    : CRegistryNumber(HKEY_LOCAL_MACHINE, kSharedDllsKey, filePath, 0, TRUE, TRUE)
{
}

CSharedDllCount::~CSharedDllCount()
{
    autoSave = FALSE;
    if (m_dwNumber != 0) {
        Save();
    } else if (IsOpen()) {
        // Also removes a value of another type that read as 0.
        DeleteValue(m_strValueName.c_str());
        Close();
    }
}

void CSharedDllCount::Increment()
{
    if (m_dwNumber != MAXDWORD)
        ++m_dwNumber;
}

void CSharedDllCount::Decrement()
{
    if (m_dwNumber > 0)
        --m_dwNumber;
}
