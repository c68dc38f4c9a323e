// The line that says why the component could not answer.
#ifndef DRAVLEN_LIST_FAILURE_TEXT_H_
#define DRAVLEN_LIST_FAILURE_TEXT_H_

#include "list/output.h"
#include "query/mounted_containers.h"

namespace dravlen {

// How the conversation ended when it raised: the status the exception
// carried, and whether it was a call through a missing interface.
struct Raised {
  bool raised = false;
  HRESULT status = S_OK;
  bool missingInterface = false;
};

// One line: the step that failed, its status in hexadecimal and the
// system's text for it where there is one, for example
// "CoCreateInstance: 0x80040154 Class not registered".
void WriteFailure(Output& out, const QueryReport& report, const Raised& raised);

}  // namespace dravlen

#endif  // DRAVLEN_LIST_FAILURE_TEXT_H_
