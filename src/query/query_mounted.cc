#include "query/query_mounted.h"

#include "query/ansi_compare.h"
#include "query/mounted_containers.h"

namespace dravlen {
namespace {

// The first entry equal to the argument ends the walk.
bool EqualsArgument(void* argument, BSTR, const AnsiText& entry) {
  return CompareAnsiNoCase(entry.c_str(), static_cast<const char*>(argument)) == 0;
}

}  // namespace

MountVerdict QueryMounted(const char* argument) {
  QueryReport unread;
  return VisitMountedContainers(&EqualsArgument, const_cast<char*>(argument), unread);
}

}  // namespace dravlen
