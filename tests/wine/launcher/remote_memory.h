// The child's memory as the launcher reads and writes it, and the lookup of
// the exports of a module loaded in the child.
#ifndef DRAVLEN_TESTS_WINE_LAUNCHER_REMOTE_MEMORY_H_
#define DRAVLEN_TESTS_WINE_LAUNCHER_REMOTE_MEMORY_H_

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace launcher {

// True when all `size` bytes were read or written.
bool ReadRemote(HANDLE process, ULONG_PTR address, void* buffer, size_t size);
bool WriteRemote(HANDLE process, ULONG_PTR address, const void* data, size_t size);

template <typename T>
bool ReadRemote(HANDLE process, ULONG_PTR address, T& value) {
  return ReadRemote(process, address, &value, sizeof value);
}

// A NUL-terminated string of `unit`-byte characters, without its NUL, cut
// after about 1 MiB; where the child's memory ends before the NUL, what was
// read followed by "<unreadable>".
std::string ReadRemoteString(HANDLE process, ULONG_PTR address, size_t unit);

// The address of each named export of the module loaded at `base` in the
// child, if the module's export directory carries `moduleName`.
bool FindRemoteExports(HANDLE process, ULONG_PTR base, const char* moduleName,
                       const std::vector<std::string>& names,
                       std::map<std::string, ULONG_PTR>& found);

// Whether the export at `address` only forwards to another module (its
// address lies in the export directory); true when the headers are unreadable.
bool IsRemoteForwarder(HANDLE process, ULONG_PTR base, ULONG_PTR address);

}  // namespace launcher

#endif  // DRAVLEN_TESTS_WINE_LAUNCHER_REMOTE_MEMORY_H_
