// Builds the replies. Arrays take the scenario's lower bound and dimensions;
// the array of a by-reference reply is kept by the component and is not
// counted among the blocks handed out.
#include "reply.h"

#include "ledger.h"

namespace test_volume_driver {
namespace {

BSTR MakeString(const Entry& entry) {
  if (entry.isNull) return nullptr;
  return SysAllocStringLen(entry.text.data(), static_cast<UINT>(entry.text.size()));
}

SAFEARRAY* MakeArray(VARTYPE type, const std::vector<Entry>& entries) {
  const Scenario& scenario = TheScenario();
  // Bounds in the order of the dimensions. Dimension 1 varies fastest in
  // memory, so with two dimensions the entries fill dimension 1 for the
  // first index of dimension 2, then for the next.
  const UINT dims = type == VT_I4 ? 1 : scenario.dims;
  const ULONG count = static_cast<ULONG>(entries.size());
  SAFEARRAYBOUND bounds[2] = {};
  bounds[0].lLbound = scenario.lowerBound;
  bounds[0].cElements = dims == 2 ? count / scenario.columns : count;
  bounds[1].lLbound = scenario.lowerBound;
  bounds[1].cElements = scenario.columns;
  SAFEARRAY* array = SafeArrayCreate(type, dims, bounds);
  if (array == nullptr) {
    Record("error SafeArrayCreate");
    return nullptr;
  }
  // Elements are written straight into the data: SafeArrayPutElement would
  // turn a null string into an empty one.
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  for (size_t i = 0; i < entries.size(); ++i) {
    switch (type) {
      case VT_BSTR:
        static_cast<BSTR*>(data)[i] = MakeString(entries[i]);
        break;
      case VT_VARIANT: {
        VARIANT& element = static_cast<VARIANT*>(data)[i];
        V_VT(&element) = VT_BSTR;
        V_BSTR(&element) = MakeString(entries[i]);
        break;
      }
      case VT_I4:
        static_cast<LONG*>(data)[i] = static_cast<LONG>(i);
        break;
      default:
        break;
    }
  }
  SafeArrayUnaccessData(array);
  return array;
}

}  // namespace

void FillReply(VARIANT* reply, ReplyKind kind, const std::vector<Entry>& entries) {
  switch (kind) {
    case ReplyKind::Empty:
      break;
    case ReplyKind::Array:
      V_VT(reply) = VT_ARRAY | VT_BSTR;
      V_ARRAY(reply) = MakeArray(VT_BSTR, entries);
      break;
    case ReplyKind::NullArray:
      V_VT(reply) = VT_ARRAY | VT_BSTR;
      V_ARRAY(reply) = nullptr;
      break;
    case ReplyKind::Bstr:
      V_VT(reply) = VT_BSTR;
      V_BSTR(reply) = entries.empty() ? SysAllocString(L"") : MakeString(entries.front());
      break;
    case ReplyKind::I4Array:
      V_VT(reply) = VT_ARRAY | VT_I4;
      V_ARRAY(reply) = MakeArray(VT_I4, entries);
      break;
    case ReplyKind::ByrefArray: {
      // The referenced array stays the component's: it is never freed.
      static SAFEARRAY* kept[2] = {};
      SAFEARRAY** slot = kept[0] == nullptr ? &kept[0] : &kept[1];
      WatchAllocations(false);
      *slot = MakeArray(VT_BSTR, entries);
      WatchAllocations(true);
      V_VT(reply) = VT_BYREF | VT_ARRAY | VT_BSTR;
      V_ARRAYREF(reply) = slot;
      break;
    }
    case ReplyKind::VariantArray:
      V_VT(reply) = VT_ARRAY | VT_VARIANT;
      V_ARRAY(reply) = MakeArray(VT_VARIANT, entries);
      break;
    case ReplyKind::MistypedArray:
      V_VT(reply) = VT_ARRAY | VT_BSTR;
      V_ARRAY(reply) = MakeArray(VT_I4, entries);
      break;
  }
}

}  // namespace test_volume_driver
