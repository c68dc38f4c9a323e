// The one conversation with the volume-driver component: activation,
// Initialize, GetMountedContainers, the checks of its reply, and the walk of
// the container list with each entry converted to the ANSI text the
// comparison sees. Both programs hold it through this function: dravlen.exe
// looks for its argument, dravlen-list.exe shows every entry and explains.
#ifndef DRAVLEN_QUERY_MOUNTED_CONTAINERS_H_
#define DRAVLEN_QUERY_MOUNTED_CONTAINERS_H_

#include "dravlen/ansi_text.h"
#include "dravlen/mount_verdict.h"
#include "platform/platform.h"

namespace dravlen {

// The step the conversation was at when it ended: when the verdict is
// ComponentUnavailable, or the conversation raised, the step that failed.
enum class QueryStep : unsigned char {
  CoCreateInstance,
  OleRun,
  QueryInterface,
  Initialize,
  FirstResult,   // the container list: its VARIANT and its array
  SecondResult,  // the companion list
  Entry,         // the list's bounds, or reading and converting the entry at `index`
};

// How far the conversation got, for a program that explains its answer.
// dravlen.exe fills one and never reads it. A step that raises leaves its
// status to the exception.
struct QueryReport {
  QueryStep step = QueryStep::CoCreateInstance;
  HRESULT status = S_OK;           // what the failed activation step or Initialize answered
  VARTYPE resultType = VT_EMPTY;   // the tag of the result being read
  VARTYPE elementType = VT_EMPTY;  // the element type of its array, once read
  LONG index = 0;                  // the entry being read
};

// Told each entry of the list in order: the string the component reported
// (may be null) and the ANSI text it converts to. Returns true to end the
// walk with Mounted.
using EntryVisitor = bool (*)(void* context, BSTR reported, const AnsiText& compared);

// Runs the conversation and tells `visit` each entry until it answers true.
// Mounted when it did; NotMounted when the list was empty, absent or walked
// to its end; ComponentUnavailable when the component could not be activated
// or initialised. Every resource of the conversation is released before it
// returns. A reply that cannot be read raises CAtlException or _com_error.
MountVerdict VisitMountedContainers(EntryVisitor visit, void* context, QueryReport& report);

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_MOUNTED_CONTAINERS_H_
