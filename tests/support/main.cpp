// Entry point of every test program: runs a child role when started as one,
// otherwise the tests.
#include <gtest/gtest.h>

bool RunChildIfAsked(int argc, char **argv, int &exitCode);

int main(int argc, char **argv) {
    int exitCode = 0;
    if (RunChildIfAsked(argc, argv, exitCode))
        return exitCode;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
