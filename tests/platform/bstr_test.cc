#include "platform/posix/bstr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/posix/testing.h"

namespace {

uint32_t BytePrefix(BSTR text) {
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<const unsigned char*>(text) - 4, sizeof prefix);
  return prefix;
}

TEST(BstrTest, PrefixHoldsByteCountAndNulFollows) {
  struct Case {
    const OLECHAR* text;
    UINT length;
  };
  const Case cases[] = {{u"", 0}, {u"abc", 3}, {u"a\0b", 3}, {nullptr, 4}};
  const std::size_t before = standin::LiveStringCount();
  for (const Case& c : cases) {
    BSTR text = SysAllocStringLen(c.text, c.length);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(BytePrefix(text), c.length * 2u);
    EXPECT_EQ(SysStringLen(text), c.length);
    EXPECT_EQ(text[c.length], u'\0');
    for (UINT i = 0; i < c.length; ++i) EXPECT_EQ(text[i], c.text ? c.text[i] : u'\0') << i;
    EXPECT_EQ(standin::LiveStringCount(), before + 1);
    SysFreeString(text);
  }
  EXPECT_EQ(standin::LiveStringCount(), before);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR stopsAtNul = SysAllocString(u"ab\0cd");
  EXPECT_EQ(SysStringLen(stopsAtNul), 2u);
  SysFreeString(stopsAtNul);
}

}  // namespace
