#pragma once
// The usage count Windows keeps for a shared file: a REG_DWORD named by the
// file's full path in the SharedDLLs key of HKEY_LOCAL_MACHINE. Read on
// construction (missing, or not a REG_DWORD, reads as 0), changed by Increment
// or Decrement, written back on destruction: a count of 0 deletes the value.
// Failures are not reported.
#include "system/Registry.h"

class CSharedDllCount : public CRegistryNumber {
public:
    static constexpr const char* kSharedDllsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

    explicit CSharedDllCount(const char* filePath);
    ~CSharedDllCount() override;

    // The count stays at its largest value rather than wrap round to 0.
    void Increment();
    // At 0 the count stays 0.
    void Decrement();
};
