// Test controls of the stand-in layer: the call log, the records of the last
// message box and the last activation, and resetting the simulated machine.
#include "platform/posix/testing.h"

#include <mutex>
#include <utility>

#include "platform/posix/internal.h"

namespace standin {
namespace {

struct Bookkeeping {
  std::mutex mutex;
  bool recording = false;
  std::vector<std::string> calls;
  MessageBoxRecord messageBox;
  CreationRecord creation;
  const SAFEARRAY* brokenArray = nullptr;
  int boundReadsLeft = 0;
};

// Never destroyed, so that objects torn down at exit may still log.
Bookkeeping& State() {
  static Bookkeeping* state = new Bookkeeping;
  return *state;
}

}  // namespace

void ResetMachine() {
  internal::ResetCodePages();
  internal::ResetLocales();
  internal::ResetVersion();
  internal::ResetWindowStation();
  internal::ResetProcess();
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.recording = false;
  state.calls.clear();
  state.messageBox = MessageBoxRecord();
  state.creation = CreationRecord();
  state.brokenArray = nullptr;
}

void BreakArrayBoundsAfter(const SAFEARRAY* array, int reads) {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.brokenArray = array;
  state.boundReadsLeft = reads;
}

void StartCallLog() {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.calls.clear();
  state.recording = true;
}

void RecordCall(const std::string& entry) {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.recording) state.calls.push_back(entry);
}

std::vector<std::string> TakeCallLog() {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.recording = false;
  return std::exchange(state.calls, {});
}

MessageBoxRecord LastMessageBox() {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.messageBox;
}

CreationRecord LastCreation() {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.creation;
}

namespace internal {

void LogCall(const char* name) {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.recording) state.calls.emplace_back(name);
}

void RecordMessageBox(bool hadOwner, const char* text, const char* caption, UINT type) {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  MessageBoxRecord& record = state.messageBox;
  ++record.calls;
  record.hadOwner = hadOwner;
  record.text = text != nullptr ? text : "";
  record.caption = caption != nullptr ? caption : "";
  record.type = type;
}

bool BoundReadFails(const SAFEARRAY* array) {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (array == nullptr || array != state.brokenArray) return false;
  if (state.boundReadsLeft == 0) return true;
  --state.boundReadsLeft;
  return false;
}

void ForgetBrokenArray(const SAFEARRAY* array) {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (array == state.brokenArray) state.brokenArray = nullptr;
}

void RecordCreation(DWORD context, REFIID iid) {
  Bookkeeping& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  ++state.creation.calls;
  state.creation.context = context;
  state.creation.iid = iid;
}

}  // namespace internal
}  // namespace standin
