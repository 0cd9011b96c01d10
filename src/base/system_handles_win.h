#pragma once
// The system handles the program owns, each with its closer, on the shared handle owner.
#include <windows.h>

#include "base/handle.h"

namespace qv {

// Events, threads, processes, files, mutexes: the handles CloseHandle closes (null when there
// is none).
struct KernelObjectTraits {
    using Value = HANDLE;
    static Value Invalid() { return nullptr; }
    static void Close(Value object) { CloseHandle(object); }
};
using KernelObject = UniqueHandle<KernelObjectTraits>;

// True when the record CreateProcess filled names its process. Under Wine a Linux program runs
// outside Wine's processes and the record holds whatever the stack held: closing those values
// could close any handle of ours.
inline bool NamesItsProcess(const PROCESS_INFORMATION& started) {
    return started.dwProcessId != 0 && GetProcessId(started.hProcess) == started.dwProcessId;
}

template <typename Handle>
struct GdiObjectTraits {
    using Value = Handle;
    static Value Invalid() { return nullptr; }
    static void Close(Value object) { DeleteObject(object); }
};
template <typename Handle>
using GdiObject = UniqueHandle<GdiObjectTraits<Handle>>;

struct MemoryDcTraits {
    using Value = HDC;
    static Value Invalid() { return nullptr; }
    static void Close(Value dc) { DeleteDC(dc); }
};
using MemoryDc = UniqueHandle<MemoryDcTraits>;

struct RegistryKeyTraits {
    using Value = HKEY;
    static Value Invalid() { return nullptr; }
    static void Close(Value key) { RegCloseKey(key); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

struct MenuTraits {
    using Value = HMENU;
    static Value Invalid() { return nullptr; }
    static void Close(Value menu) { DestroyMenu(menu); }
};
using MenuHandle = UniqueHandle<MenuTraits>;

}  // namespace qv
