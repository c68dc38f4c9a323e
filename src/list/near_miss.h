// Why an entry that does not equal the argument may still name the same
// container: the spellings the comparison does not forgive.
#ifndef DRAVLEN_LIST_NEAR_MISS_H_
#define DRAVLEN_LIST_NEAR_MISS_H_

#include "platform/platform.h"

namespace dravlen {

enum NearMiss : unsigned {
  kSlashes = 1u << 0,           // "/" against "\"
  kTrailing = 1u << 1,          // a trailing backslash or blank on one side
  kLetterCase = 1u << 2,        // case the code page knows beyond "A" to "Z"
  kLackedCharacters = 1u << 3,  // the entry's characters the code page lacks
  kCutAtNul = 1u << 4,          // the entry goes on after an embedded NUL
};
inline constexpr int kNearMissReasons = 5;

// The differences between `reported`, an entry whose converted text is not
// equal to `argument`, and the argument, when nothing else tells them
// apart; 0 when the entry names another path. Characters are taken as the
// comparison takes them; a character the conversion replaced stands for
// any one character.
unsigned NearMissReasons(BSTR reported, const char* argument);

}  // namespace dravlen

#endif  // DRAVLEN_LIST_NEAR_MISS_H_
