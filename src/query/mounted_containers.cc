#include "query/mounted_containers.h"

#include <cstdint>
#include <cstring>

#include "query/ansi_conversion.h"
#include "query/com_resources.h"
#include "query/string_array_view.h"
#include "query/volume_driver.h"

namespace dravlen {
namespace {

// Creates the component, puts it into its running state and asks it for
// the mount-query interface. The status is that of the last call made; on
// failure no reference is held.
HRESULT ActivateVolumeDriver(com_ptr<IMountQuery>& driver, QueryReport& report) {
  com_ptr<IUnknown> object;
  HRESULT hr = CoCreateInstance(kVolumeDriverClsid, nullptr, kVolumeDriverClassContext,
                                IID_IUnknown, object.put_void());
  if (FAILED(hr)) return hr;
  report.step = QueryStep::OleRun;
  hr = OleRun(object.get());
  if (SUCCEEDED(hr)) {
    report.step = QueryStep::QueryInterface;
    hr = object->QueryInterface(kMountQueryIid, driver.put_void());
  }
  object.reset();
  if (FAILED(hr)) driver.reset();
  return hr;
}

// A VARIANT as VariantInit leaves it, with the rest zeroed so that one the
// component never fills holds no stray pointer.
VARIANT EmptyVariant() {
  VARIANT variant;
  std::memset(&variant, 0, sizeof variant);
  VariantInit(&variant);
  return variant;
}

// Moves the array out of a reply. Anything else the reply holds is freed
// now, while COM is still up, and gives no array.
SAFEARRAY* TakeArray(VARIANT& reply) {
  if ((reply.vt & VT_ARRAY) && !(reply.vt & VT_BYREF)) {
    SAFEARRAY* array = reply.parray;
    reply.vt = VT_EMPTY;
    return array;
  }
  VariantClear(&reply);
  return nullptr;
}

}  // namespace

MountVerdict VisitMountedContainers(EntryVisitor visit, void* context, QueryReport& report) {
  // Declared in the reverse of their release: COM is uninitialised first,
  // then the companion list, the container list, and last the text.
  AnsiText entry;
  StringArrayView containers;
  StringArrayView companion;
  const unique_couninitialize_call com(CoInitialize(nullptr));

  com_ptr<IMountQuery> driver;
  report.status = ActivateVolumeDriver(driver, report);
  if (report.status != S_OK) return MountVerdict::ComponentUnavailable;
  report.step = QueryStep::Initialize;
  report.status = driver->Initialize();
  if (report.status != S_OK) return MountVerdict::ComponentUnavailable;

  VARIANT containersReply = EmptyVariant();
  VARIANT companionReply = EmptyVariant();
  driver->GetMountedContainers(&containersReply, &companionReply);  // status deliberately unread
  driver.reset();  // the component is done with before its reply is examined

  if (containersReply.vt == VT_EMPTY) {
    VariantClear(&companionReply);
    return MountVerdict::NotMounted;
  }
  // Both arrays are owned before either is attached, so that neither leaks
  // when the other turns out unreadable.
  const VARTYPE companionType = companionReply.vt;
  report.step = QueryStep::FirstResult;
  report.resultType = containersReply.vt;
  SAFEARRAY* const list = TakeArray(containersReply);
  SAFEARRAY* const companionList = TakeArray(companionReply);
  unique_safearray containersArray(list);
  // One array handed out twice must not be destroyed twice.
  unique_safearray companionArray(companionList != list ? companionList : nullptr);
  containers.attach(containersArray.get(), &report.elementType);
  containersArray.release();
  report.step = QueryStep::SecondResult;
  report.resultType = companionType;
  report.elementType = VT_EMPTY;
  companion.attach(companionList, &report.elementType);
  companionArray.release();

  // 64-bit index: an upper bound of LONG's maximum must not wrap the loop.
  report.step = QueryStep::Entry;
  const int64_t lower = containers.lowerBound();
  const int64_t upper = containers.upperBound();
  for (int64_t index = lower; index <= upper; ++index) {
    report.index = static_cast<LONG>(index);
    const BSTR reported = containers.at(report.index);
    ConvertToAnsiText(entry, reported);
    if (visit(context, reported, entry)) return MountVerdict::Mounted;
  }
  return MountVerdict::NotMounted;
}

}  // namespace dravlen
