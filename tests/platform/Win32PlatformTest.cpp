// PLACEHOLDER: being written.
#include <gtest/gtest.h>
TEST(Placeholder, Nothing) {}
