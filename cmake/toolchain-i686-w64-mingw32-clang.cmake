# Second cross toolchain for the 32-bit Windows target: Debian's clang, with the mingw-w64
# headers and import libraries and the posix-threads gcc's own C++ headers and libraries. It is
# also the undefined-behaviour build: every check below ends the program at once with a trap
# instruction, so no sanitizer runtime library is linked.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QUORVEL_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET ${QUORVEL_TRIPLE})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${QUORVEL_TRIPLE})
set(CMAKE_RC_COMPILER ${QUORVEL_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# clang does not find the gcc folder of the posix-threads variant by itself: ask that compiler.
execute_process(COMMAND ${QUORVEL_TRIPLE}-g++-posix -print-libgcc-file-name
    OUTPUT_VARIABLE QUORVEL_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(QUORVEL_GCC_DIR ${QUORVEL_LIBGCC} DIRECTORY)

# Headers: the target's only (no header of the build machine's /usr/include), clang's own
# built-in headers before the mingw-w64 ones, gcc's C++ headers before both.
set(QUORVEL_TARGET_C_INCLUDES "-nostdlibinc -idirafter /usr/${QUORVEL_TRIPLE}/include")
set(QUORVEL_TARGET_CXX_INCLUDES "-nostdlibinc -isystem ${QUORVEL_GCC_DIR}/include/c++ \
-isystem ${QUORVEL_GCC_DIR}/include/c++/${QUORVEL_TRIPLE} \
-isystem ${QUORVEL_GCC_DIR}/include/c++/backward -idirafter /usr/${QUORVEL_TRIPLE}/include")

# Warnings beyond -Wall -Wextra, on every file of ours (our targets make them errors):
#   -Wshadow, -Wshadow-field, -Wshadow-uncaptured-local
#                               a name that hides another is a read of the wrong variable
#                               waiting to happen (a constructor's parameter named after the
#                               field it sets is the usual idiom: -Wshadow still reports one that
#                               the constructor changes);
#   -Wimplicit-fallthrough      a case that runs into the next must say so;
#   -Wformat=2                  sprintf with a format that is not a literal;
#   -Wcomma                     a comma operator where a semicolon or && was meant;
#   -Wconditional-uninitialized a variable read on a path where nothing has set it;
#   -Wloop-analysis             loop variables that the loop never changes, or copies by value;
#   -Wunreachable-code          code that can never run is code whose test went wrong;
#   -Wmissing-prototypes, -Wmissing-variable-declarations
#                               a function or variable visible to other files has its
#                               declaration in a header, or is static: no silent mismatch of
#                               the two;
#   -Wundef                     an #if on a macro that is not defined;
#   -Wextra-semi-stmt           a stray semicolon after an if or a macro use;
#   -Wvla                       no stack arrays of run-time size.
# Left out: -Wconversion and -Wsign-conversion (every Win32 call mixes WPARAM, LPARAM, UINT and
# int; the truncation check below catches at run time the conversions that lose bits) and
# -Wold-style-cast (the runtime is written with C casts throughout).
set(QUORVEL_WARNINGS "-Wshadow -Wshadow-field -Wshadow-uncaptured-local -Wimplicit-fallthrough \
-Wformat=2 -Wcomma -Wconditional-uninitialized -Wloop-analysis -Wunreachable-code -Wmissing-prototypes \
-Wmissing-variable-declarations -Wundef -Wextra-semi-stmt -Wvla")

# Checks that trap:
#   undefined                   every undefined behaviour that clang can check (vptr needs a
#                               runtime and RTTI, so it is left out by itself);
#   implicit-integer-truncation an implicit conversion to a narrower integer type that loses
#                               bits: not undefined, but here it is nearly always a length, a
#                               count or a character code gone wrong;
#   local-bounds                an index out of a local array whose size is known;
#   float-divide-by-zero        a division by zero in floating point.
# Left out: implicit-integer-sign-change, since the runtime's window flags and colours are ints
# that carry bit 31 (WS_POPUP, the colour that means none), where the change of sign is the bit
# pattern itself: it trapped on 'flags & 0xEFFFFFFC' of a popup window;
# unsigned-integer-overflow and unsigned-shift-base, since unsigned arithmetic wraps on purpose
# here (the word-at-a-time scans of the string engine).
# The C++ library's headers are left out (see clang-sanitize-ignorelist.txt).
set(QUORVEL_SANITIZE "-fsanitize=undefined,implicit-integer-truncation,local-bounds,float-divide-by-zero \
-fsanitize-trap=all -fsanitize-ignorelist=${CMAKE_CURRENT_LIST_DIR}/clang-sanitize-ignorelist.txt")

# Line tables, so that a trap that Wine reports ("illegal instruction at address A") leads to its
# check: the optimiser merges the traps of a function into one, so it is the jumps to A whose
# lines tell (objdump -d -l on the test program prints each instruction under its line), and the
# number of the trap instruction at A, "ud1 N(%eax)", names the check: 0x0 an addition
# that overflows, 0x3 a division, 0x7 a truncation, 0x14 a shift, 0x16 a null or misaligned access.
set(QUORVEL_CHECKS "${QUORVEL_WARNINGS} ${QUORVEL_SANITIZE} -gline-tables-only")
set(CMAKE_C_FLAGS_INIT "${QUORVEL_TARGET_C_INCLUDES} ${QUORVEL_CHECKS}")
set(CMAKE_CXX_FLAGS_INIT "${QUORVEL_TARGET_CXX_INCLUDES} ${QUORVEL_CHECKS}")
# Third-party code (GoogleTest) keeps the undefined-behaviour checks but not our warnings nor the
# conversion checks, which are about our own habits, not about undefined behaviour.
set(QUORVEL_THIRD_PARTY_OPTIONS -w -fno-sanitize=implicit-integer-truncation)

# Every exe is linked statically, so it imports only system DLLs. gcc's own crtbegin.o and
# crtend.o (through -B) register the unwind tables that gcc's libgcc_eh expects. The group of
# libraries resolves what libgcc_eh needs from winpthreads, which the driver's own list leaves
# out; for the program, which uses none of it, the libraries add nothing. ld warns that some
# type names of the C++ library have "a different size": gcc pads them to 16 bytes, clang does
# not; the texts are the same.
# The compile flags above reach the link line too, where -nostdlibinc has nothing to do.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -B${QUORVEL_GCC_DIR}/ -L${QUORVEL_GCC_DIR} -Wno-unused-command-line-argument")
# The same for the DLLs that tests plant beside a copy of the program.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")
set(CMAKE_CXX_STANDARD_LIBRARIES "-Wl,--start-group -lstdc++ -lgcc -lgcc_eh -lpthread \
-lmingw32 -lmingwex -lmsvcrt -lkernel32 -Wl,--end-group" CACHE STRING "")
set(CMAKE_C_STANDARD_LIBRARIES "-Wl,--start-group -lgcc -lgcc_eh -lpthread \
-lmingw32 -lmingwex -lmsvcrt -lkernel32 -Wl,--end-group" CACHE STRING "")

# Test programs run under Wine, in the lane of the Wine session (cmake/wine-session.sh) that CTest
# gives them: cmake/wine-lane.sh picks the lane's CPU, display and prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_CURRENT_LIST_DIR}/wine-lane.sh)
