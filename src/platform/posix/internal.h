// Links between the files of the Linux stand-in layer: state one file owns
// and another reads or resets, and the operations on arrays and variants
// that call each other across files. Neither the program nor its tests
// include this header.
#ifndef DRAVLEN_PLATFORM_POSIX_INTERNAL_H_
#define DRAVLEN_PLATFORM_POSIX_INTERNAL_H_

#include "platform/posix/safearray.h"
#include "platform/posix/win_types.h"

namespace standin {
namespace internal {

// Sets the thread's last-error code and returns 0, which is also FALSE: how
// a failing call answers (last_error.cc).
int Fail(DWORD error);

// Appends `name` to the call log when a test is recording (testing.cc).
void LogCall(const char* name);

// Remembers a MessageBoxA call for LastMessageBox (testing.cc).
void RecordMessageBox(bool hadOwner, const char* text, const char* caption, UINT type);

// Whether a bound of `array` is to be unreadable now; counts the read
// otherwise. A destroyed array's bounds are readable again, whatever array
// takes its place (testing.cc).
bool BoundReadFails(const SAFEARRAY* array);
void ForgetBrokenArray(const SAFEARRAY* array);

// Remembers a CoCreateInstance call for LastCreation (testing.cc).
void RecordCreation(DWORD context, REFIID iid);

// Takes the system ANSI code page from the environment again
// (code_page_table.cc).
void ResetCodePages();

// Forgets locale overrides and every thread's SetThreadLocale (locale.cc).
void ResetLocales();

// Back to the default version (version.cc).
void ResetVersion();

// Back to the executable's own command line and file name, no error mode
// and no exception filter (process.cc).
void ResetProcess();

// Back to a visible window station (window_station.cc).
void ResetWindowStation();

// The ANSI code page of the calling thread's locale, or 0 when that locale
// does not name one; CP_THREAD_ACP then falls back to the system code page
// (locale.cc).
UINT ThreadLocaleAnsiCodePage();

// SafeArrayGetVartype, SafeArrayLock, SafeArrayUnlock and SafeArrayDestroy
// without a call-log entry, for the calls that use them inside the layer
// (safearray.cc).
HRESULT ArrayVartype(SAFEARRAY* array, VARTYPE* vt);
HRESULT LockArray(SAFEARRAY* array);
HRESULT UnlockArray(SAFEARRAY* array);
HRESULT DestroyArray(SAFEARRAY* array);

// Releases what the elements own; the storage itself stays
// (safearray_elements.cc).
void ClearElements(SAFEARRAY* array);

// A new array with the same type, shape and (copied) elements
// (safearray_elements.cc).
HRESULT CopyArray(SAFEARRAY* source, SAFEARRAY** copy);

// VariantClear without a call-log entry (variant.cc).
HRESULT ClearVariant(VARIANT* variant);

// Copies `source` into `dest`, duplicating what it owns: a string, an
// array, a reference (variant.cc).
HRESULT CopyVariant(VARIANT* dest, const VARIANT* source);

}  // namespace internal
}  // namespace standin

#endif  // DRAVLEN_PLATFORM_POSIX_INTERNAL_H_
