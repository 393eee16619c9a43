// A library left beside the program under the name of a system library is never loaded: the
// program loads its libraries from the system folder only. Wine prefers its own built-in libraries
// to a file beside the program; with riched20 set to "native, then built-in" for the program it
// searches the program's folder first, as Windows does, and so shows what a Windows user would
// meet.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

// Sets an environment variable for the life of the object, and puts the old value back.
class ScopedVariable {
  public:
    ScopedVariable(const char *name, const std::string &value) : name(name) {
        char old[1024];
        DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        had = length > 0 && length < sizeof old;
        if (had) {
            before = old;
        }
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name, had ? before.c_str() : 0); }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

  private:
    const char *name;
    bool had = false;
    std::string before;
};

// Wine's load order for the rich edit library in programs named quorvel.exe: native first, then
// built-in, so that Wine searches the program's folder first as Windows does. The setting lives in
// Wine's part of the registry (a key that Windows does not read) for the life of the object.
class SearchLikeWindows {
  public:
    SearchLikeWindows() {
        HKEY key = 0;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, KEY, 0, 0, 0, KEY_SET_VALUE, 0, &key, 0) == 0) {
            const char order[] = "native,builtin";
            set =
                RegSetValueExA(key, "riched20", 0, REG_SZ, (const BYTE *)order, sizeof order) == 0;
            RegCloseKey(key);
        }
    }
    ~SearchLikeWindows() { RegDeleteKeyA(HKEY_CURRENT_USER, KEY); }
    SearchLikeWindows(const SearchLikeWindows &) = delete;
    SearchLikeWindows &operator=(const SearchLikeWindows &) = delete;
    bool set = false;

  private:
    static constexpr const char *KEY = "Software\\Wine\\AppDefaults\\quorvel.exe\\DllOverrides";
};

TEST(QuorvelLibrarySearch, ALibraryPlantedBesideTheProgramIsNotLoaded) {
    // A copy of the program in a folder of its own, with the planted library beside it.
    char temp[MAX_PATH] = "";
    ASSERT_TRUE(GetTempPathA(sizeof temp, temp));
    std::string folder =
        std::string(temp) + "quorvel-planted-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), 0);
    std::string exe = folder + "quorvel.exe";
    std::string planted = folder + "riched20.dll";
    ASSERT_TRUE(CopyFileA(QuorvelExePath().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(BesideThisProgram("planted_riched20.dll").c_str(), planted.c_str(), FALSE));

    HANDLE loaded = CreateEventA(0, TRUE, FALSE, "QuorvelPlantedLibraryLoaded");
    ASSERT_TRUE(loaded);
    {
        ScopedVariable program("QUORVEL_EXE", exe);
        SearchLikeWindows order;
        ASSERT_TRUE(order.set);

        QuorvelTool tool;
        ASSERT_TRUE(tool.Launch()) << tool.fault;
        std::string text;
        EXPECT_TRUE(tool.StartAndWait(&text)) << "the text area does not work";
        EXPECT_TRUE(IsCompleteBlock(text));
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(loaded, 0)) << "the planted library ran";
        ClickWindow(tool.exitButton);
        DWORD exitCode = 1;
        EXPECT_TRUE(tool.WaitForExit(&exitCode));
        EXPECT_EQ(0u, exitCode);
    }
    CloseHandle(loaded);
    DeleteFileA(exe.c_str());
    DeleteFileA(planted.c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace
