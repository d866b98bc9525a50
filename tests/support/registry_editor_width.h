// Wine's own Registry Editor is always a 64-bit process, and the 32-bit build refuses to drive one of the
// other width. Cases that drive it start with this line; in the 32-bit build they are skipped, and what
// the user meets instead is checked by BridgeWidth.
#pragma once
#include <gtest/gtest.h>

#ifdef _WIN64
#define SKIP_WHERE_REGISTRY_EDITOR_IS_OTHER_WIDTH() (void)(0)
#else
#define SKIP_WHERE_REGISTRY_EDITOR_IS_OTHER_WIDTH()                                                                    \
    GTEST_SKIP() << "Wine's Registry Editor is 64-bit: the 32-bit build refuses it, checked by BridgeWidth"
#endif
