#pragma once
// Owning wrappers for the system objects the program holds: each owns exactly
// one object, is move-only, and releases it quietly in its destructor. None of
// them throws; creating the object is the caller's business, with the API's
// own answer.
#include <windows.h>
#include <ddeml.h>
#include <unknwn.h>

#include <utility>

// A handle closed by `Traits::Close`; `Traits::Invalid()` means none.
template <class Traits>
class CUniqueHandle {
public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() noexcept : m_h(Traits::Invalid()) {}
    explicit CUniqueHandle(Handle h) noexcept : m_h(h) {}
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_h(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    ~CUniqueHandle() { Reset(); }

    Handle Get() const noexcept { return m_h; }
    bool IsValid() const noexcept { return m_h != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }
    // Gives the handle up without closing it.
    Handle Release() noexcept { return std::exchange(m_h, Traits::Invalid()); }
    // Closes the handle held, if any, and takes `h`. FALSE when closing failed.
    BOOL Reset(Handle h = Traits::Invalid()) noexcept
    {
        const Handle old = std::exchange(m_h, h);
        return old == Traits::Invalid() ? TRUE : Traits::Close(old);
    }

private:
    Handle m_h;
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static BOOL Close(Handle h) noexcept { return ::CloseHandle(h); }
};
// Files are the one kind of kernel object whose "none" is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static BOOL Close(Handle h) noexcept { return ::CloseHandle(h); }
};
// A search begun with FindFirstFile.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static BOOL Close(Handle h) noexcept { return ::FindClose(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static BOOL Close(Handle h) noexcept { return ::FreeLibrary(h); }
};

// Processes, threads, events: null means none.
using CHandle = CUniqueHandle<KernelHandleTraits>;
// A file opened with CreateFile.
using CFileHandle = CUniqueHandle<FileHandleTraits>;
// A library loaded with LoadLibrary.
using CModule = CUniqueHandle<ModuleTraits>;
// A file search of FindFirstFile.
using CFindHandle = CUniqueHandle<FindHandleTraits>;

// A DDE string handle of one DDE instance, made with DdeCreateStringHandleA in
// the Windows ANSI code page. Null when it could not be made.
class CDdeStringHandle {
public:
    CDdeStringHandle() noexcept = default;
    CDdeStringHandle(DWORD instance, const char* text) noexcept
        : m_instance(instance), m_hsz(::DdeCreateStringHandleA(instance, text, CP_WINANSI)) {}
    CDdeStringHandle(CDdeStringHandle&& other) noexcept
        : m_instance(other.m_instance), m_hsz(std::exchange(other.m_hsz, nullptr)) {}
    CDdeStringHandle& operator=(CDdeStringHandle&& other) noexcept
    {
        Reset();
        m_instance = other.m_instance;
        m_hsz = std::exchange(other.m_hsz, nullptr);
        return *this;
    }
    CDdeStringHandle(const CDdeStringHandle&) = delete;
    CDdeStringHandle& operator=(const CDdeStringHandle&) = delete;
    ~CDdeStringHandle() { Reset(); }

    HSZ Get() const noexcept { return m_hsz; }
    explicit operator bool() const noexcept { return m_hsz != nullptr; }
    void Reset() noexcept
    {
        if (m_hsz)
            ::DdeFreeStringHandle(m_instance, std::exchange(m_hsz, nullptr));
    }

private:
    DWORD m_instance = 0;
    HSZ m_hsz = nullptr;
};

// One reference to a COM interface, released by the destructor.
template <class Interface>
class CComPtr {
public:
    CComPtr() noexcept = default;
    CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CComPtr& operator=(CComPtr&& other) noexcept
    {
        Reset();
        m_p = std::exchange(other.m_p, nullptr);
        return *this;
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    ~CComPtr() { Reset(); }

    Interface* Get() const noexcept { return m_p; }
    Interface* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    // The address to receive a new reference (CoCreateInstance, QueryInterface);
    // the reference held before is released first.
    Interface** Put() noexcept
    {
        Reset();
        return &m_p;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    void Reset() noexcept
    {
        if (m_p)
            std::exchange(m_p, nullptr)->Release();
    }

private:
    Interface* m_p = nullptr;
};
