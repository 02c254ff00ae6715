#include "engine/path_helpers.h"
#include <gtest/gtest.h>
TEST(Placeholder, Builds) {
  EXPECT_EQ(pf::LastPathElement(u"a\\b"), u"b");
}
