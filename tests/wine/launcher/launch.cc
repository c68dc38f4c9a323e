// Starts a program with an exact ANSI command line and reports the message
// boxes it shows, for the end-to-end tests.
//
//   launch.exe [--report FILE] [--timeout-ms N]
//              (--cmdline-hex HEX | --cmdline-file FILE) PROGRAM
//
// PROGRAM is started with CreateProcessA(PROGRAM, <the command line bytes>),
// so the test decides every byte the child's GetCommandLineA returns, in
// the code page of the launcher's environment. The launcher exits with the
// child's exit status; its own failures exit with 250 and a message on
// standard error (the report's "exit" line tells them apart).
//
// Message boxes: the child starts under the launcher as a debugger only
// until user32 is loaded. The launcher then redirects each of user32's
// message box functions to a stub of its own in the child, and detaches
// before any of the program's code runs, so the program runs (and handles
// exceptions and faults) as it would unobserved. A stub stores the call's
// register arguments, wakes the launcher and waits; the launcher reads the
// caption and text from the waiting child, writes them to the report, and
// lets the stub return IDOK, as if the user had pressed OK. No window is
// ever created. Report lines:
//   armed N of 8
//   box N FUNCTION owner=0x.. style=0x.. text-bytes=.. caption-bytes=..
//   exit N
// The exact caption and text of box N are written to FILE.boxN.caption and
// FILE.boxN.text (bytes as read; UTF-16LE for the W functions).
//
// The stubs are machine code for the launcher's own processor (x86 or
// x86-64): a launcher starts a program built for the same processor.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const int kLauncherFailure = 250;

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "launch: %s (error %lu)\n", message.c_str(), GetLastError());
  std::exit(kLauncherFailure);
}

// ---------------------------------------------------------------------------
// Files

std::string ReadWholeFile(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot open " + path);
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got != 0) {
    content.append(buffer, got);
  }
  CloseHandle(file);
  return content;
}

void WriteWholeFile(const std::string& path, const std::string& content, bool append) {
  const HANDLE file =
      CreateFileA(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                  append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot write " + path);
  DWORD written = 0;
  if (!content.empty() &&
      (!WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
       written != content.size())) {
    Fail("cannot write " + path);
  }
  CloseHandle(file);
}

class Report {
 public:
  explicit Report(std::string path) : path_(std::move(path)) {
    if (!path_.empty()) WriteWholeFile(path_, std::string(), false);
  }
  void line(const std::string& text) {
    if (!path_.empty()) WriteWholeFile(path_, text + "\n", true);
  }
  void attachment(const std::string& suffix, const std::string& bytes) {
    if (!path_.empty()) WriteWholeFile(path_ + suffix, bytes, false);
  }

 private:
  std::string path_;
};

std::string Hex(unsigned long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

bool DecodeHex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = hex.substr(i, 2);
    const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
    if (*end != '\0') return false;
    bytes.push_back(static_cast<char>(value));
  }
  return true;
}

// ---------------------------------------------------------------------------
// The child's memory

bool ReadRemote(HANDLE process, ULONG_PTR address, void* buffer, size_t size) {
  SIZE_T got = 0;
  return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), buffer, size, &got) &&
         got == size;
}

template <typename T>
bool ReadRemote(HANDLE process, ULONG_PTR address, T& value) {
  return ReadRemote(process, address, &value, sizeof value);
}

// A NUL-terminated string of `unit`-byte characters, without its NUL. Read
// in pieces that never cross a page, so that a string ending just before
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

// The address of each named export of the module loaded at `base` in the
// child, if the module's export directory carries `moduleName`.
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

// ---------------------------------------------------------------------------
// Message box capture

enum class BoxCall { Plain, Extended, Indirect };

struct BoxFunction {
  const char* name;
  BoxCall call;
  bool wide;
  ULONG32 argumentCount;  // what a 32-bit stub pops on return
};

const BoxFunction kBoxFunctions[] = {
    {"MessageBoxA", BoxCall::Plain, false, 4},
    {"MessageBoxW", BoxCall::Plain, true, 4},
    {"MessageBoxExA", BoxCall::Extended, false, 5},
    {"MessageBoxExW", BoxCall::Extended, true, 5},
    {"MessageBoxIndirectA", BoxCall::Indirect, false, 1},
    {"MessageBoxIndirectW", BoxCall::Indirect, true, 1},
    {"MessageBoxTimeoutA", BoxCall::Extended, false, 6},
    {"MessageBoxTimeoutW", BoxCall::Extended, true, 6},
};
const size_t kBoxFunctionCount = sizeof kBoxFunctions / sizeof kBoxFunctions[0];

// What a stub records in the child, followed by what it needs to call.
// Pointer-sized fields, so that the layout is the child's: the launcher is
// built for the child's processor.
struct CallBlock {
  ULONG_PTR function;  // index into kBoxFunctions
  ULONG_PTR arguments[4];
  ULONG_PTR called;  // event handles in the child
  ULONG_PTR done;
  ULONG_PTR signalObjectAndWait;
};

void AppendLittleEndian(std::vector<BYTE>& code, ULONG64 value, int bytes) {
  for (int i = 0; i < bytes; ++i) code.push_back(static_cast<BYTE>(value >> (8 * i)));
}

#if defined(_M_X64) || defined(__x86_64__)
// Per function, the arguments arriving in rcx, rdx, r8 and r9:
//   mov r10, <block>                     49 BA imm64
//   mov qword [r10], <function index>    49 C7 02 imm32
//   mov [r10+8], rcx                     49 89 4A 08
//   mov [r10+0x10], rdx                  49 89 52 10
//   mov [r10+0x18], r8                   4D 89 42 18
//   mov [r10+0x20], r9                   4D 89 4A 20
//   sub rsp, 0x28                        48 83 EC 28
//   mov rcx, [r10+0x28]                  49 8B 4A 28
//   mov rdx, [r10+0x30]                  49 8B 52 30
//   mov r8d, INFINITE                    41 B8 FF FF FF FF
//   xor r9d, r9d                         45 31 C9
//   call [r10+0x38]                      41 FF 52 38   SignalObjectAndWait
//   add rsp, 0x28                        48 83 C4 28
//   mov eax, IDOK                        B8 01 00 00 00
//   ret                                  C3
std::vector<BYTE> StubCode(ULONG_PTR block, ULONG32 function, ULONG32) {
  std::vector<BYTE> code = {0x49, 0xBA};
  AppendLittleEndian(code, block, 8);
  code.insert(code.end(), {0x49, 0xC7, 0x02});
  AppendLittleEndian(code, function, 4);
  code.insert(code.end(),
              {0x49, 0x89, 0x4A, 0x08, 0x49, 0x89, 0x52, 0x10, 0x4D, 0x89, 0x42, 0x18, 0x4D,
               0x89, 0x4A, 0x20, 0x48, 0x83, 0xEC, 0x28, 0x49, 0x8B, 0x4A, 0x28, 0x49, 0x8B,
               0x52, 0x30, 0x41, 0xB8, 0xFF, 0xFF, 0xFF, 0xFF, 0x45, 0x31, 0xC9, 0x41, 0xFF,
               0x52, 0x38, 0x48, 0x83, 0xC4, 0x28, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3});
  return code;
}

// jmp qword [rip+0] followed by the target: 14 bytes at the function's entry.
std::vector<BYTE> JumpCode(ULONG_PTR, ULONG_PTR target) {
  std::vector<BYTE> code = {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00};
  AppendLittleEndian(code, target, 8);
  return code;
}
#elif defined(_M_IX86) || defined(__i386__)
// Per function, the arguments on the stack above the return address. The
// functions are stdcall, so the stub pops the caller's argument bytes. It
// copies four stack words whatever the function takes: the words beyond a
// shorter argument list are the caller's own frame, read and ignored.
//   mov eax, <block>                     B8 imm32
//   mov dword [eax], <function index>    C7 00 imm32
//   mov ecx, [esp+4]; mov [eax+4], ecx   8B 4C 24 04  89 48 04   (and 8, 12, 16)
//   push FALSE                           6A 00         bAlertable
//   push INFINITE                        6A FF
//   push dword [eax+0x18]                FF 70 18      done
//   push dword [eax+0x14]                FF 70 14      called
//   call [eax+0x1C]                      FF 50 1C      SignalObjectAndWait
//   mov eax, IDOK                        B8 01 00 00 00
//   ret <argument bytes>                 C2 imm16
std::vector<BYTE> StubCode(ULONG_PTR block, ULONG32 function, ULONG32 argumentBytes) {
  std::vector<BYTE> code = {0xB8};
  AppendLittleEndian(code, block, 4);
  code.insert(code.end(), {0xC7, 0x00});
  AppendLittleEndian(code, function, 4);
  for (BYTE offset = 4; offset <= 16; offset = static_cast<BYTE>(offset + 4)) {
    code.insert(code.end(), {0x8B, 0x4C, 0x24, offset, 0x89, 0x48, offset});
  }
  code.insert(code.end(), {0x6A, 0x00, 0x6A, 0xFF, 0xFF, 0x70, 0x18, 0xFF, 0x70, 0x14, 0xFF, 0x50,
                           0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xC2});
  AppendLittleEndian(code, argumentBytes, 2);
  return code;
}

// jmp rel32: 5 bytes at the function's entry.
std::vector<BYTE> JumpCode(ULONG_PTR entry, ULONG_PTR target) {
  std::vector<BYTE> code = {0xE9};
  AppendLittleEndian(code, static_cast<ULONG32>(target - (entry + 5)), 4);
  return code;
}
#else
#error "the stubs are written for x86 and x86-64 only"
#endif

bool WriteRemote(HANDLE process, ULONG_PTR address, const void* data, size_t size) {
  SIZE_T written = 0;
  return WriteProcessMemory(process, reinterpret_cast<LPVOID>(address), data, size, &written) &&
         written == size;
}

class BoxWatch {
 public:
  BoxWatch(Report& report, HANDLE process) : report_(report), process_(process) {
    called_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (called_ == nullptr || done_ == nullptr) Fail("cannot create events");
  }

  // Follows the child's start until user32 is loaded, redirects its message
  // box functions and detaches.
  void arm(DWORD processId, ULONGLONG deadline) {
    for (;;) {
      DEBUG_EVENT event;
      if (!WaitForDebugEvent(&event, Remaining(deadline))) Fail("the child did not start in time");
      switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
          if (event.u.CreateProcessInfo.hFile != nullptr) {
            CloseHandle(event.u.CreateProcessInfo.hFile);
          }
          break;
        case LOAD_DLL_DEBUG_EVENT: {
          if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
          const auto base = reinterpret_cast<ULONG_PTR>(event.u.LoadDll.lpBaseOfDll);
          std::map<std::string, ULONG_PTR> found;
          if (FindRemoteExports(process_, base, "kernelbase.dll", {"SignalObjectAndWait"}, found) ||
              FindRemoteExports(process_, base, "kernel32.dll", {"SignalObjectAndWait"}, found)) {
            // kernelbase holds the code on the systems that have it; a
            // kernel32 export may only forward to it.
            const auto function = found.find("SignalObjectAndWait");
            if (function != found.end() && !isForwarder(base, function->second)) {
              signalObjectAndWait_ = function->second;
            }
          }
          if (redirect(base)) {
            if (!DebugActiveProcessStop(processId)) Fail("cannot detach from the child");
            return;
          }
          break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
          Fail("the child ended before it loaded user32");
        default:
          break;
      }
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
    }
  }

  // Serves the stubs until the child ends, and returns its exit status.
  DWORD watch(ULONGLONG deadline) {
    for (;;) {
      const HANDLE handles[2] = {process_, called_};
      const DWORD which = WaitForMultipleObjects(2, handles, FALSE, Remaining(deadline));
      if (which == WAIT_OBJECT_0) break;
      if (which != WAIT_OBJECT_0 + 1) {
        report_.line("timeout");
        TerminateProcess(process_, kLauncherFailure);
        Fail("the child did not finish in time");
      }
      onBox();
      SetEvent(done_);
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  static DWORD Remaining(ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
  }

  bool isForwarder(ULONG_PTR base, ULONG_PTR address) {
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS nt;
    if (!ReadRemote(process_, base, dos) ||
        !ReadRemote(process_, base + static_cast<ULONG_PTR>(dos.e_lfanew), nt)) {
      return true;
    }
    const IMAGE_DATA_DIRECTORY& directory =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    return address >= base + directory.VirtualAddress &&
           address < base + directory.VirtualAddress + directory.Size;
  }

  // True once user32's functions are redirected.
  bool redirect(ULONG_PTR base) {
    std::vector<std::string> names;
    for (const BoxFunction& function : kBoxFunctions) names.push_back(function.name);
    std::map<std::string, ULONG_PTR> found;
    if (!FindRemoteExports(process_, base, "user32.dll", names, found)) return false;
    if (signalObjectAndWait_ == 0) Fail("SignalObjectAndWait not found in the child");

    HANDLE calledInChild = nullptr;
    HANDLE doneInChild = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), called_, process_, &calledInChild, 0, FALSE,
                         DUPLICATE_SAME_ACCESS) ||
        !DuplicateHandle(GetCurrentProcess(), done_, process_, &doneInChild, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
      Fail("cannot hand the events to the child");
    }
    const size_t kStubSize = 0x50;
    void* memory =
        VirtualAllocEx(process_, nullptr, 0x1000, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    if (memory == nullptr) Fail("cannot allocate the stubs in the child");
    block_ = reinterpret_cast<ULONG_PTR>(memory);
    CallBlock block = {};
    block.called = reinterpret_cast<ULONG_PTR>(calledInChild);
    block.done = reinterpret_cast<ULONG_PTR>(doneInChild);
    block.signalObjectAndWait = signalObjectAndWait_;
    if (!WriteRemote(process_, block_, &block, sizeof block)) Fail("cannot write the call block");

    size_t armed = 0;
    for (size_t i = 0; i < kBoxFunctionCount; ++i) {
      const auto entry = found.find(kBoxFunctions[i].name);
      if (entry == found.end()) continue;
      const ULONG_PTR stub = block_ + 0x100 + i * kStubSize;
      const std::vector<BYTE> code =
          StubCode(block_, static_cast<ULONG32>(i),
                   kBoxFunctions[i].argumentCount * static_cast<ULONG32>(sizeof(ULONG_PTR)));
      const std::vector<BYTE> jump = JumpCode(entry->second, stub);
      if (code.size() > kStubSize || !WriteRemote(process_, stub, code.data(), code.size()) ||
          !WriteRemote(process_, entry->second, jump.data(), jump.size())) {
        Fail(std::string("cannot redirect ") + kBoxFunctions[i].name);
      }
      ++armed;
    }
    FlushInstructionCache(process_, nullptr, 0);
    report_.line("armed " + std::to_string(armed) + " of " + std::to_string(kBoxFunctionCount));
    return true;
  }

  void onBox() {
    CallBlock block;
    if (!ReadRemote(process_, block_, block)) Fail("cannot read the call block");
    if (block.function >= kBoxFunctionCount) Fail("a bad call block");
    const BoxFunction& function = kBoxFunctions[block.function];
    ULONG_PTR owner = block.arguments[0];
    ULONG_PTR text = block.arguments[1];
    ULONG_PTR caption = block.arguments[2];
    ULONG_PTR style = block.arguments[3];
    if (function.call == BoxCall::Indirect) {
      MSGBOXPARAMSA params;
      if (!ReadRemote(process_, owner, params)) Fail("cannot read MSGBOXPARAMS");
      owner = reinterpret_cast<ULONG_PTR>(params.hwndOwner);
      text = reinterpret_cast<ULONG_PTR>(params.lpszText);
      caption = reinterpret_cast<ULONG_PTR>(params.lpszCaption);
      style = params.dwStyle;
    }
    const size_t unit = function.wide ? 2 : 1;
    const std::string textBytes = ReadRemoteString(process_, text, unit);
    const std::string captionBytes = ReadRemoteString(process_, caption, unit);
    ++boxes_;
    const std::string name = "box" + std::to_string(boxes_);
    report_.attachment("." + name + ".text", textBytes);
    report_.attachment("." + name + ".caption", captionBytes);
    report_.line("box " + std::to_string(boxes_) + " " + function.name + " owner=" + Hex(owner) +
                 " style=" + Hex(style & 0xFFFFFFFFu) + (text == 0 ? " text=null" : "") +
                 (caption == 0 ? " caption=null" : "") +
                 " text-bytes=" + std::to_string(textBytes.size()) +
                 " caption-bytes=" + std::to_string(captionBytes.size()));
  }

  Report& report_;
  HANDLE process_;
  HANDLE called_ = nullptr;
  HANDLE done_ = nullptr;
  ULONG_PTR signalObjectAndWait_ = 0;
  ULONG_PTR block_ = 0;
  unsigned boxes_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::string reportPath;
  std::string commandLine;
  bool haveCommandLine = false;
  DWORD timeoutMs = 60000;
  std::string program;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--report" && hasValue) {
      reportPath = argv[++i];
    } else if (option == "--timeout-ms" && hasValue) {
      timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else if (option == "--cmdline-hex" && hasValue) {
      if (!DecodeHex(argv[++i], commandLine)) Fail("bad --cmdline-hex");
      haveCommandLine = true;
    } else if (option == "--cmdline-file" && hasValue) {
      commandLine = ReadWholeFile(argv[++i]);
      haveCommandLine = true;
    } else if (program.empty() && option.rfind("--", 0) != 0) {
      program = option;
    } else {
      Fail(
          "usage: launch [--report FILE] [--timeout-ms N] "
          "(--cmdline-hex HEX | --cmdline-file FILE) PROGRAM");
    }
  }
  if (program.empty() || !haveCommandLine) Fail("a program and a command line are needed");
  if (commandLine.find('\0') != std::string::npos) Fail("the command line holds a NUL byte");

  Report report(reportPath);
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child;
  std::memset(&child, 0, sizeof child);
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                      DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &child)) {
    Fail("cannot start " + program);
  }
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  BoxWatch watch(report, child.hProcess);
  watch.arm(child.dwProcessId, deadline);
  const DWORD code = watch.watch(deadline);
  report.line("exit " + std::to_string(code));
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return static_cast<int>(code);
}
