#include "platform/posix/testing.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetMachine(); }
  void TearDown() override { standin::ResetMachine(); }
};

TEST_F(MachineTest, CallLogRecordsListedCallsInOrderWhileRecording) {
  standin::RecordCall("before");
  standin::StartCallLog();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // not a logged name
  CoInitialize(nullptr);
  void* object = nullptr;
  const CLSID nothing = {};
  CoCreateInstance(nothing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
  OleRun(nullptr);
  VARIANT variant;
  VariantInit(&variant);
  SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 1);
  VARTYPE vt;
  SafeArrayGetVartype(array, &vt);
  SafeArrayLock(array);
  SafeArrayUnlock(array);
  standin::RecordCall("Fake::Method");
  variant.vt = VT_ARRAY | VT_BSTR;
  variant.parray = array;
  VariantClear(&variant);  // destroys the array without logging that
  SafeArrayDestroy(nullptr);
  SysFreeString(SysAllocString(u"x"));
  MessageBoxA(nullptr, "text", "caption", MB_OK);
  CoUninitialize();
  CoUninitialize();
  const std::vector<std::string> expected = {
      "CoInitialize",  "CoCreateInstance", "OleRun",        "VariantInit",  "SafeArrayGetVartype",
      "SafeArrayLock", "SafeArrayUnlock",  "Fake::Method",  "VariantClear", "SafeArrayDestroy",
      "MessageBoxA",   "CoUninitialize",   "CoUninitialize"};
  EXPECT_EQ(standin::TakeCallLog(), expected);
  standin::RecordCall("after");
  OleRun(nullptr);
  EXPECT_TRUE(standin::TakeCallLog().empty());
}

TEST_F(MachineTest, MessageBoxWritesToStandardErrorAndIsRecorded) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "No container is mounted.", "Dravlen", MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Dravlen\nNo container is mounted.\n");
  EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(0x10), "second", "c", MB_OK), IDOK);
  standin::MessageBoxRecord record = standin::LastMessageBox();
  EXPECT_EQ(record.calls, 2);
  EXPECT_TRUE(record.hadOwner);
  EXPECT_EQ(record.text, "second");
  EXPECT_EQ(record.caption, "c");
  EXPECT_EQ(record.type, MB_OK);
  standin::ResetMachine();
  EXPECT_EQ(standin::LastMessageBox().calls, 0);
}

TEST_F(MachineTest, ResetRestoresTheMachineButKeepsObjects) {
  standin::SetSystemAnsiCodePage(932);
  standin::SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4);
  SetThreadLocale(0x0412);
  BSTR text = SysAllocString(u"kept");
  const std::size_t strings = standin::LiveStringCount();
  standin::ResetMachine();
  EXPECT_EQ(GetACP(), standin::AnsiCodePageFromEnvironment());
  EXPECT_EQ(GetThreadLocale(), standin::LocaleFromEnvironment());
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(standin::LiveStringCount(), strings);
  SysFreeString(text);
}

TEST(LastErrorTest, IsPerThread) {
  SetLastError(ERROR_INVALID_FLAGS);
  std::thread([] {
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    SetLastError(ERROR_INVALID_PARAMETER);
  }).join();
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
}

}  // namespace
