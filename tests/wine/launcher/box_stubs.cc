// The stubs' machine code, one version per processor. x86-64 stubs take the
// arguments from rcx, rdx, r8 and r9; x86 stubs from the stack, and pop
// them as the stdcall functions they replace do.
#include "box_stubs.h"

namespace launcher {
namespace {

void AppendLittleEndian(std::vector<BYTE>& code, ULONG64 value, int bytes) {
  for (int i = 0; i < bytes; ++i) code.push_back(static_cast<BYTE>(value >> (8 * i)));
}

}  // namespace

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

}  // namespace launcher
