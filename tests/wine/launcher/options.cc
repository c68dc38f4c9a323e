// Reads the launcher's options. The child's command line comes as hex
// digits (--cmdline-hex) or as the whole content of a file
// (--cmdline-file), byte for byte, so that a case can hold any byte but NUL.
#include "options.h"

#include <cstdlib>

#include "report.h"

namespace launcher {
namespace {

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

}  // namespace

Options ReadOptions(int argc, char** argv) {
  Options options;
  bool haveCommandLine = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--report" && hasValue) {
      options.reportPath = argv[++i];
    } else if (option == "--timeout-ms" && hasValue) {
      options.timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else if (option == "--station" && hasValue) {
      options.station = argv[++i];
    } else if (option == "--cmdline-hex" && hasValue) {
      if (!DecodeHex(argv[++i], options.commandLine)) Fail("bad --cmdline-hex");
      haveCommandLine = true;
    } else if (option == "--cmdline-file" && hasValue) {
      options.commandLine = ReadWholeFile(argv[++i]);
      haveCommandLine = true;
    } else if (options.program.empty() && option.rfind("--", 0) != 0) {
      options.program = option;
    } else {
      Fail(
          "usage: launch [--report FILE] [--timeout-ms N] [--station NAME] "
          "(--cmdline-hex HEX | --cmdline-file FILE) PROGRAM");
    }
  }
  if (options.program.empty() || !haveCommandLine) Fail("a program and a command line are needed");
  if (options.commandLine.find('\0') != std::string::npos)
    Fail("the command line holds a NUL byte");
  return options;
}

}  // namespace launcher
