// The one conversation with the volume-driver component that answers
// whether a container is mounted.
#ifndef DRAVLEN_QUERY_QUERY_MOUNTED_H_
#define DRAVLEN_QUERY_QUERY_MOUNTED_H_

#include "dravlen/mount_verdict.h"

namespace dravlen {

// Asks the component for the mounted containers and looks for `argument`,
// the path as the user typed it (ANSI text), among them. Every resource of
// the conversation is released before it returns. A reply that cannot be
// read raises CAtlException or _com_error.
MountVerdict QueryMounted(const char* argument);

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_QUERY_MOUNTED_H_
