#pragma once
// A value kept for each window of this process, in place of a window property:
// under Wine every property look-up is a call to the Wine server, and the
// framework looks one up for nearly every message its windows receive. Any
// thread of the process may ask; the table lives until the process ends, so
// that objects destroyed at exit can still remove their entries.
#include <mutex>
#include <unordered_map>

#include <windows.h>

template <typename T>
class CWindowTable {
public:
    static CWindowTable& Instance()
    {
        static auto* table = new CWindowTable;
        return *table;
    }

    T Find(HWND hwnd) const
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        const auto found = m_values.find(hwnd);
        return found == m_values.end() ? T{} : found->second;
    }
    bool Contains(HWND hwnd) const
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        return m_values.count(hwnd) != 0;
    }
    void Set(HWND hwnd, T value)
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_values[hwnd] = value;
    }
    void Remove(HWND hwnd)
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_values.erase(hwnd);
    }

private:
    CWindowTable() = default;

    mutable std::mutex m_lock;
    std::unordered_map<HWND, T> m_values;
};
