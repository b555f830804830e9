// The library's own version, from the header generated at build time.
#include "qlcos/version.h"

extern "C" const char* zanGetVersion() { return QLCOS_VERSION_STRING; }

extern "C" uint32_t zanGetVersionNumber() { return QLCOS_VERSION_NUMBER; }
