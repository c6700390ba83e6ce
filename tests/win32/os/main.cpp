// The test program's entry point: the Windows build links with -municode,
// so it is wmain rather than GoogleTest's own main.
#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
