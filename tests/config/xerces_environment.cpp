// Registers the Xerces environment for the configuration suite.
#include "config/xml_support.h"

namespace {
::testing::Environment* const g_xerces =
    ::testing::AddGlobalTestEnvironment(new testsupport::XercesEnvironment);
}
