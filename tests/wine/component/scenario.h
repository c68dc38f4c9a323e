// The scenario: the reply the component is to give, read once per process
// from the file named by DRAVLEN_TEST_SCENARIO.
//
// Scenario lines (key=value; blank lines and lines starting with # are
// skipped; an unknown key or a bad value makes the class unavailable and is
// written to the ledger as an error):
//   class_object=HR     status of DllGetClassObject
//   create=HR           status of IClassFactory::CreateInstance
//   run=none|HR         none: no IRunnableObject; else what its Run returns
//   interface=present|missing
//   interface_status=HR status of QueryInterface for the mount-query
//                       interface when it is present (handed out all the
//                       same, whatever the status)
//   initialize=HR       status of Initialize
//   get_status=HR       status of GetMountedContainers (the reply is filled
//                       in all the same)
//   first=KIND          containers reply, see ReplyKind (default array)
//   second=KIND         companion reply (default array, or empty when first
//                       is empty)
//   lbound=N            lower bound of every array handed out
//   dims=1|2            dimensions of the string arrays
//   columns=N           elements of dimension 2 when dims=2; the entries
//                       then fill dimension 1 once per index of dimension 2
//   entry=TEXT          a container, in order; <null> for a null BSTR
//   companion=TEXT      a companion element; by default one "X:" per entry
//   crash=none|initialize|get   access violation on purpose
// HR is a name (S_OK, E_FAIL, ...) or a number (0x80004005, 1). TEXT is
// UTF-8 with \u{HEX} for any UTF-16 code unit or code point, which is how an
// embedded NUL (\u{0}) or a lone surrogate is written; every other
// backslash stands for itself.
#ifndef DRAVLEN_TESTS_WINE_COMPONENT_SCENARIO_H_
#define DRAVLEN_TESTS_WINE_COMPONENT_SCENARIO_H_

#include <windows.h>

#include <string>
#include <vector>

namespace test_volume_driver {

enum class ReplyKind {
  Empty,          // VT_EMPTY
  Array,          // VT_ARRAY | VT_BSTR
  NullArray,      // VT_ARRAY | VT_BSTR with a null parray
  Bstr,           // VT_BSTR holding the first entry
  I4Array,        // VT_ARRAY | VT_I4
  ByrefArray,     // VT_BYREF | VT_ARRAY | VT_BSTR, the array kept by the component
  VariantArray,   // VT_ARRAY | VT_VARIANT, each element a VT_BSTR
  MistypedArray,  // tagged VT_ARRAY | VT_BSTR, but an array of VT_I4
};

struct Entry {
  bool isNull = false;
  std::wstring text;
};

struct Scenario {
  HRESULT classObject = S_OK;
  HRESULT create = S_OK;
  bool runnable = false;
  HRESULT run = S_OK;
  bool interfacePresent = true;
  HRESULT interfaceStatus = S_OK;
  HRESULT initialize = S_OK;
  HRESULT getStatus = S_OK;
  ReplyKind first = ReplyKind::Array;
  bool secondGiven = false;
  ReplyKind second = ReplyKind::Array;
  LONG lowerBound = 0;
  unsigned dims = 1;
  ULONG columns = 1;
  std::vector<Entry> entries;
  bool companionsGiven = false;
  std::vector<Entry> companions;
  std::string crash = "none";
  std::vector<std::string> errors;
};

// Read on the first call; its errors are written to the ledger then.
const Scenario& TheScenario();

}  // namespace test_volume_driver

#endif  // DRAVLEN_TESTS_WINE_COMPONENT_SCENARIO_H_
