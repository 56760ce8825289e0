#include "UiTestSupport.h"

#include <gtest/gtest.h>
TEST(Placeholder, Nothing) {}
