#pragma once
// Functions of Windows libraries that the program needs only now and then
// (the common dialogs, COM), looked up when first called instead of
// imported. Every imported library is loaded, with what it imports in turn,
// before the program's first instruction; under Wine comdlg32 brings the
// shell and the common controls and ole32 its COM run time, which together
// cost a setup run a sixth of its start. A library is always loaded from the
// System directory by its full path, never from the folder the program was
// started from (a diskette anyone may have written). Nothing here throws.

// The address of `function` in `library` ("comdlg32.dll") of the System
// directory, which stays loaded for the rest of the process; nullptr when
// either cannot be found. Each call looks the function up again: a caller
// keeps the address (a function-local static) for its later calls.
void* SystemLibraryFunction(const char* library, const char* function) noexcept;

// The same address as a pointer to `F`, a function type declared by the
// library's header: SystemFunction<decltype(::GetOpenFileNameA)>(...).
template <typename F>
F* SystemFunction(const char* library, const char* function) noexcept
{
    return reinterpret_cast<F*>(SystemLibraryFunction(library, function));
}
