// Reads and writes the child's memory, and finds a module's exports there
// through the PE headers of its loaded image.
#include "remote_memory.h"

#include <cstring>

namespace launcher {

bool ReadRemote(HANDLE process, ULONG_PTR address, void* buffer, size_t size) {
  SIZE_T got = 0;
  return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), buffer, size, &got) &&
         got == size;
}

bool WriteRemote(HANDLE process, ULONG_PTR address, const void* data, size_t size) {
  SIZE_T written = 0;
  return WriteProcessMemory(process, reinterpret_cast<LPVOID>(address), data, size, &written) &&
         written == size;
}

// Read in pieces that never cross a page, so that a string ending just before
// an unreadable page is still read whole.
std::string ReadRemoteString(HANDLE process, ULONG_PTR address, size_t unit) {
  std::string bytes;
  if (address == 0) return bytes;
  const size_t kLimit = 1 << 20;
  const ULONG_PTR kPage = 0x1000;
  std::string pending;  // an odd byte of a two-byte character
  while (bytes.size() <= kLimit) {
    const ULONG_PTR at = address + bytes.size() + pending.size();
    const size_t size = static_cast<size_t>(kPage - at % kPage);
    std::string piece(size, '\0');
    if (!ReadRemote(process, at, &piece[0], size)) {
      bytes += "<unreadable>";
      return bytes;
    }
    pending += piece;
    size_t whole = pending.size() - pending.size() % unit;
    for (size_t i = 0; i < whole; i += unit) {
      if (pending[i] == 0 && (unit == 1 || pending[i + 1] == 0)) {
        bytes.append(pending, 0, i);
        return bytes;
      }
    }
    bytes.append(pending, 0, whole);
    pending.erase(0, whole);
  }
  return bytes;
}

bool FindRemoteExports(HANDLE process, ULONG_PTR base, const char* moduleName,
                       const std::vector<std::string>& names,
                       std::map<std::string, ULONG_PTR>& found) {
  IMAGE_DOS_HEADER dos;
  if (!ReadRemote(process, base, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
  IMAGE_NT_HEADERS nt;
  if (!ReadRemote(process, base + static_cast<ULONG_PTR>(dos.e_lfanew), nt) ||
      nt.Signature != IMAGE_NT_SIGNATURE) {
    return false;
  }
  const IMAGE_DATA_DIRECTORY& directory =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.VirtualAddress == 0) return false;
  IMAGE_EXPORT_DIRECTORY exports;
  if (!ReadRemote(process, base + directory.VirtualAddress, exports)) return false;
  if (_stricmp(ReadRemoteString(process, base + exports.Name, 1).c_str(), moduleName) != 0) {
    return false;
  }
  std::vector<DWORD> nameRvas(exports.NumberOfNames);
  std::vector<WORD> ordinals(exports.NumberOfNames);
  std::vector<DWORD> functions(exports.NumberOfFunctions);
  if (!ReadRemote(process, base + exports.AddressOfNames, nameRvas.data(),
                  nameRvas.size() * sizeof(DWORD)) ||
      !ReadRemote(process, base + exports.AddressOfNameOrdinals, ordinals.data(),
                  ordinals.size() * sizeof(WORD)) ||
      !ReadRemote(process, base + exports.AddressOfFunctions, functions.data(),
                  functions.size() * sizeof(DWORD))) {
    return false;
  }
  // The names normally lie within the export directory: read it at once.
  std::string table(directory.Size, '\0');
  if (!table.empty() &&
      !ReadRemote(process, base + directory.VirtualAddress, &table[0], table.size())) {
    table.clear();
  }
  for (size_t i = 0; i < nameRvas.size(); ++i) {
    const DWORD offset = nameRvas[i] - directory.VirtualAddress;
    const std::string name =
        nameRvas[i] >= directory.VirtualAddress && offset < table.size()
            ? std::string(table.c_str() + offset,
                          strnlen(table.c_str() + offset, table.size() - offset))
            : ReadRemoteString(process, base + nameRvas[i], 1);
    for (const std::string& wanted : names) {
      if (name == wanted && ordinals[i] < functions.size()) {
        found[name] = base + functions[ordinals[i]];
      }
    }
  }
  return true;
}

bool IsRemoteForwarder(HANDLE process, ULONG_PTR base, ULONG_PTR address) {
  IMAGE_DOS_HEADER dos;
  IMAGE_NT_HEADERS nt;
  if (!ReadRemote(process, base, dos) ||
      !ReadRemote(process, base + static_cast<ULONG_PTR>(dos.e_lfanew), nt)) {
    return true;
  }
  const IMAGE_DATA_DIRECTORY& directory =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  return address >= base + directory.VirtualAddress &&
         address < base + directory.VirtualAddress + directory.Size;
}

}  // namespace launcher
