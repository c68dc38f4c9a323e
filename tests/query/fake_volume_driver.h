// A scripted volume-driver component registered in the stand-in's class
// table. Each step of the conversation can be made to fail, and every call
// the query makes on it is appended to the stand-in's call log.
#ifndef DRAVLEN_TESTS_QUERY_FAKE_VOLUME_DRIVER_H_
#define DRAVLEN_TESTS_QUERY_FAKE_VOLUME_DRIVER_H_

#include <functional>

#include "platform/platform.h"

namespace dravlen::testing {

struct FakeBehaviour {
  // The class contexts the fake is registered for; CoCreateInstance finds
  // it only when asked for one of them.
  DWORD registeredContext = CLSCTX_INPROC_SERVER;
  HRESULT createStatus = S_OK;  // of the class factory's CreateInstance
  bool runnable = false;        // implements IRunnableObject
  HRESULT runStatus = S_OK;     // of IRunnableObject::Run
  bool hasMountQuery = true;
  bool nullMountQuery = false;  // QueryInterface answers S_OK without a reference
  // What QueryInterface answers when it hands out the mount-query interface.
  HRESULT mountQueryStatus = S_OK;
  HRESULT initializeStatus = S_OK;
  HRESULT getStatus = S_OK;
  // Fills the two results of GetMountedContainers; unset leaves both empty.
  std::function<void(VARIANT* containers, VARIANT* companion)> reply;
};

// Registers the fake under the volume driver's class for its lifetime.
class FakeVolumeDriverRegistration {
 public:
  explicit FakeVolumeDriverRegistration(FakeBehaviour behaviour);
  ~FakeVolumeDriverRegistration();
  FakeVolumeDriverRegistration(const FakeVolumeDriverRegistration&) = delete;
  FakeVolumeDriverRegistration& operator=(const FakeVolumeDriverRegistration&) = delete;

  // Objects created and not yet destroyed by their last Release.
  static int liveObjects();

 private:
  DWORD cookie_ = 0;
};

}  // namespace dravlen::testing

#endif  // DRAVLEN_TESTS_QUERY_FAKE_VOLUME_DRIVER_H_
