// The version the library reports agrees with the generated header, and the packed number
// orders as versions do.
#include "qlcos/qlcos.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(Version, TextAndNumberNameTheHeadersVersion)
{
    EXPECT_STREQ(zanGetVersion(), QLCOS_VERSION_STRING);
    unsigned major = 0, minor = 0, patch = 0;
    char rest = 0;
    ASSERT_EQ(std::sscanf(zanGetVersion(), "%u.%u.%u%c", &major, &minor, &patch, &rest), 3);
    EXPECT_EQ(major, unsigned{QLCOS_VERSION_MAJOR});
    EXPECT_EQ(minor, unsigned{QLCOS_VERSION_MINOR});
    EXPECT_EQ(patch, unsigned{QLCOS_VERSION_PATCH});
    EXPECT_EQ(zanGetVersionNumber(), QLCOS_VERSION_ENCODE(major, minor, patch));
    EXPECT_EQ(zanGetVersionNumber(), QLCOS_VERSION_NUMBER);
    EXPECT_LT(QLCOS_VERSION_ENCODE(0, 9, 255), QLCOS_VERSION_ENCODE(0, 10, 0));
    EXPECT_LT(QLCOS_VERSION_ENCODE(0, 255, 255), QLCOS_VERSION_ENCODE(1, 0, 0));
}
