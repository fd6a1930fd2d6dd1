// The test program's entry. Windows programs of this project are linked for the
// wide-character entry point, so the Windows build needs wmain, not gtest_main.
#include <gtest/gtest.h>

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
