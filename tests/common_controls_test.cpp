// Part of every test program: the program carries the tool's manifest and so runs against the
// common controls that the tool ships with, version 6. A program without it gets the older
// controls on Windows, whose drawing, messages and classes differ, and could pass where the tool's
// own controls behave otherwise.
#include <windows.h>

#include <commctrl.h>
#include <ctype.h>

#include <string>

#include <gtest/gtest.h>

namespace {

std::string Lowered(std::string text) {
    for (char &c : text) {
        c = (char)tolower((unsigned char)c);
    }
    return text;
}

TEST(TestProgram, RunsAgainstVersion6OfTheCommonControls) {
    HRSRC found = FindResourceA(0, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    ASSERT_TRUE(found) << "the program carries no application manifest";
    HGLOBAL loaded = LoadResource(0, found);
    ASSERT_TRUE(loaded);
    std::string manifest((const char *)LockResource(loaded), SizeofResource(0, found));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" "
                                               "version=\"6.0.0.0\""))
        << manifest;

    // The library that the program's imports of the common controls reached. Both Windows and Wine
    // keep version 6 in the side-by-side store under the assembly's name, and the older one in the
    // system folder. (Wine's copy of version 6 reports 5.81 through DllGetVersion, so the version
    // number is not asked.)
    HMODULE library = 0;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   (LPCSTR)(void *)&InitCommonControlsEx, &library));
    char path[MAX_PATH] = {};
    ASSERT_TRUE(GetModuleFileNameA(library, path, sizeof path));
    EXPECT_NE(std::string::npos,
              Lowered(path).find("\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6."))
        << path;
}

} // namespace
