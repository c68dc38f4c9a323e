// The whole question, from argv to exit status, against a fake component
// whose behaviour and reply are decoded from the input: how activation
// goes, the statuses it answers, and the shape and content of both reply
// VARIANTs. Whatever it replies, the answer is 0, 1 or 4, dravlen-list
// gives the same one, and nothing the conversation acquired outlives it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>

#include "check/front_end.h"
#include "fuzz_check.h"
#include "list/list_front_end.h"
#include "platform/platform.h"
#include "platform/posix/testing.h"
#include "query/comparison_code_page.h"
#include "query/fake_volume_driver.h"
#include "query/test_strings.h"

namespace {

using dravlen::testing::Entry;
using dravlen::testing::FakeBehaviour;

enum class Shape { Empty, Null, Integer, String, Array, NullArray, ByRef };

struct Result {
  Shape shape = Shape::Empty;
  VARTYPE tag = VT_BSTR;      // element type the VARIANT claims
  VARTYPE element = VT_BSTR;  // element type the array holds
  bool twoDimensions = false;
  LONG lowerBound = 0;
  ULONG count = 0;
  ULONG columns = 1;
  std::vector<Entry> entries;  // one per cell
};

constexpr UINT kCodePages[] = {1252, 932, 65001};

Entry DecodeEntry(FuzzedDataProvider& input) {
  if (input.ConsumeIntegralInRange(0, 7) == 0) return std::nullopt;
  std::u16string text(input.ConsumeIntegralInRange<std::size_t>(0, 24), u'\0');
  for (char16_t& unit : text) unit = input.ConsumeIntegral<char16_t>();
  return text;
}

Result DecodeResult(FuzzedDataProvider& input) {
  static constexpr VARTYPE kElements[] = {VT_BSTR, VT_I4, VT_VARIANT};
  Result result;
  result.shape = static_cast<Shape>(input.ConsumeIntegralInRange(0, 6));
  if (result.shape == Shape::String) result.entries.push_back(DecodeEntry(input));
  if (result.shape != Shape::Array) return result;
  result.tag = input.PickValueInArray(kElements);
  result.element = input.PickValueInArray(kElements);
  result.twoDimensions = input.ConsumeIntegralInRange(0, 7) == 0;
  result.lowerBound = input.ConsumeIntegral<LONG>();
  result.count = input.ConsumeIntegralInRange<ULONG>(0, 8);
  if (result.twoDimensions) result.columns = input.ConsumeIntegralInRange<ULONG>(0, 3);
  for (ULONG cell = 0; cell < result.count * result.columns; ++cell) {
    result.entries.push_back(DecodeEntry(input));
  }
  return result;
}

BSTR MakeString(const Entry& entry) {
  if (!entry) return nullptr;
  return SysAllocStringLen(entry->data(), static_cast<UINT>(entry->size()));
}

SAFEARRAY* MakeArray(const Result& result) {
  if (result.element == VT_BSTR && !result.twoDimensions) {
    return dravlen::testing::MakeStringArray(result.entries, result.lowerBound);
  }
  SAFEARRAYBOUND bounds[2] = {{result.count, result.lowerBound}, {result.columns, 0}};
  SAFEARRAY* array = SafeArrayCreate(result.element, result.twoDimensions ? 2 : 1, bounds);
  for (std::size_t cell = 0; cell < result.entries.size(); ++cell) {
    if (result.element == VT_BSTR) {
      static_cast<BSTR*>(array->pvData)[cell] = MakeString(result.entries[cell]);
    } else if (result.element == VT_VARIANT && result.entries[cell]) {
      VARIANT& variant = static_cast<VARIANT*>(array->pvData)[cell];
      variant.vt = VT_BSTR;
      variant.bstrVal = MakeString(result.entries[cell]);
    }
  }
  return array;
}

// Built only when the query asks, so that nothing exists for the program to
// free when it never gets that far.
void Fill(const Result& result, VARIANT* reply) {
  static SAFEARRAY* byRefTarget = nullptr;
  *reply = dravlen::testing::ArrayVariant(nullptr, VT_EMPTY);
  switch (result.shape) {
    case Shape::Empty:
      break;
    case Shape::Null:
      reply->vt = VT_NULL;
      break;
    case Shape::Integer:
      reply->vt = VT_I4;
      reply->lVal = result.lowerBound;
      break;
    case Shape::String:
      reply->vt = VT_BSTR;
      reply->bstrVal = MakeString(result.entries.front());
      break;
    case Shape::Array:
      *reply = dravlen::testing::ArrayVariant(MakeArray(result), VT_ARRAY | result.tag);
      break;
    case Shape::NullArray:
      reply->vt = VT_ARRAY | VT_BSTR;
      break;
    case Shape::ByRef:
      reply->vt = VT_BYREF | VT_ARRAY | VT_BSTR;
      reply->pparray = &byRefTarget;
      break;
  }
}

// The program reads whatever array a reply holds by the array's own element
// type, not by the type its VARIANT claims.
bool IsStringArray(const Result& result) {
  return result.shape == Shape::Array && result.element == VT_BSTR;
}

// dravlen-list writes its listing and its explanations where libFuzzer's
// reports do not go.
void SilenceListing() {
  static const bool silenced = [] {
    const HANDLE nowhere = standin::HandleOfDescriptor(open("/dev/null", O_WRONLY));
    return SetStdHandle(STD_OUTPUT_HANDLE, nowhere) && SetStdHandle(STD_ERROR_HANDLE, nowhere);
  }();
  FUZZ_CHECK(silenced);
}

// Conversion follows the thread's code page and comparison the system's;
// both are set to the same one. The rules are rebuilt only on a change.
void UseCodePage(UINT codePage) {
  static UINT inForce = 0;
  if (codePage == inForce) return;
  standin::SetSystemAnsiCodePage(codePage);
  standin::SetLocaleAnsiCodePageText(GetThreadLocale(), std::to_string(codePage).c_str());
  dravlen::InitComparisonCodePage();
  inForce = codePage;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const HRESULT kStatuses[] = {S_OK, S_FALSE, E_FAIL};
  FuzzedDataProvider input(data, size);
  UseCodePage(input.PickValueInArray(kCodePages));

  FakeBehaviour behaviour;
  const int activation = input.ConsumeIntegralInRange(0, 4);
  behaviour.runnable = activation == 1;
  behaviour.runStatus = input.PickValueInArray(kStatuses);
  if (activation == 2) behaviour.createStatus = E_FAIL;
  behaviour.hasMountQuery = activation != 3;
  behaviour.nullMountQuery = activation == 4;
  behaviour.initializeStatus = input.PickValueInArray(kStatuses);
  behaviour.getStatus = input.PickValueInArray(kStatuses);
  const Result containers = DecodeResult(input);
  const Result companion = DecodeResult(input);
  behaviour.reply = [containers, companion](VARIANT* first, VARIANT* second) {
    Fill(containers, first);
    Fill(companion, second);
  };
  const std::string text = input.ConsumeRemainingBytesAsString();
  const std::vector<char> argument(text.c_str(), text.c_str() + text.size() + 1);  // exact size

  int status = -1;
  int listStatus = -1;
  {
    const dravlen::testing::FakeVolumeDriverRegistration registration(behaviour);
    const char* argv[] = {"dravlen.exe", argument.data(), nullptr};
    status = static_cast<int>(dravlen::Run(2, argv));
    SilenceListing();
    listStatus = static_cast<int>(dravlen::RunList(2, argv));
  }

  FUZZ_CHECK(status == 0 || status == 1 || status == 4);
  FUZZ_CHECK(listStatus == status);
  const bool activated = activation <= 1 && (!behaviour.runnable || SUCCEEDED(behaviour.runStatus));
  if (!activated || behaviour.initializeStatus != S_OK) FUZZ_CHECK(status == 4);
  if (status == 1) FUZZ_CHECK(IsStringArray(containers) && IsStringArray(companion));
  FUZZ_CHECK(standin::LiveArrayCount() == 0);
  FUZZ_CHECK(standin::LiveStringCount() == 0);
  FUZZ_CHECK(standin::ComInitializationCount() == 0);
  FUZZ_CHECK(dravlen::testing::FakeVolumeDriverRegistration::liveObjects() == 0);
  return 0;
}
