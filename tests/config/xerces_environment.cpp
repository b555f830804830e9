// Registers the Xerces environment for the configuration suite.
#include "support/xml_support.h"

namespace {
::testing::Environment* const g_xerces =
    ::testing::AddGlobalTestEnvironment(new qlcos::test::XercesEnvironment);
}
