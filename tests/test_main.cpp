// Entry point of every test program: starts the runtime as the program does, then runs the tests.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char **argv) {
    // Binary stdout: CRLF line ends would reach CTest and GoogleTest's own parsing.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    testing::InitGoogleTest(&argc, argv);
    StartRuntimeForTests();
    return RUN_ALL_TESTS();
}
