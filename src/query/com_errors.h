// The two failures the query can raise. Neither escapes the program: the
// entry turns every exception into "component unavailable".
#ifndef DRAVLEN_QUERY_COM_ERRORS_H_
#define DRAVLEN_QUERY_COM_ERRORS_H_

#include "platform/platform.h"

namespace dravlen {

// A failure of the string-array view or of the text conversion, carrying
// the platform status that caused it.
class CAtlException {
 public:
  explicit CAtlException(HRESULT hr) : m_hr(hr) {}
  operator HRESULT() const { return m_hr; }

  HRESULT m_hr;
};

// A call through a missing interface reference (always E_POINTER, with no
// error information attached).
class _com_error {
 public:
  explicit _com_error(HRESULT hr) : hr_(hr) {}
  HRESULT Error() const { return hr_; }
  void* ErrorInfo() const { return nullptr; }

 private:
  HRESULT hr_;
};

inline void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw CAtlException(hr);
}

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_COM_ERRORS_H_
