// The box watch: arms the stubs while the child starts, then answers each
// box the child shows, writing what it was shown to the report.
#include "box_watch.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "box_stubs.h"
#include "remote_memory.h"

namespace launcher {
namespace {

std::string Hex(unsigned long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

DWORD Remaining(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

}  // namespace

BoxWatch::BoxWatch(Report& report, HANDLE process) : report_(report), process_(process) {
  called_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (called_ == nullptr || done_ == nullptr) Fail("cannot create events");
}

bool BoxWatch::arm(DWORD processId, ULONGLONG deadline) {
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
          if (function != found.end() && !IsRemoteForwarder(process_, base, function->second)) {
            signalObjectAndWait_ = function->second;
          }
        }
        if (redirect(base)) {
          if (!DebugActiveProcessStop(processId)) Fail("cannot detach from the child");
          return true;
        }
        break;
      }
      case EXIT_PROCESS_DEBUG_EVENT:
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        return false;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
  }
}

bool BoxWatch::watch(ULONGLONG deadline, DWORD& code) {
  for (;;) {
    const HANDLE handles[2] = {process_, called_};
    const DWORD which = WaitForMultipleObjects(2, handles, FALSE, Remaining(deadline));
    if (which == WAIT_OBJECT_0) break;
    if (which != WAIT_OBJECT_0 + 1) return false;
    onBox();
    SetEvent(done_);
  }
  code = 0;
  GetExitCodeProcess(process_, &code);
  return true;
}

bool BoxWatch::redirect(ULONG_PTR base) {
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

void BoxWatch::onBox() {
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

}  // namespace launcher
