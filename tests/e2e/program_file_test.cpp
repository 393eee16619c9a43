// The program file as it is shipped: a small 32-bit GUI executable that needs nothing but the
// system's DLLs, with its manifest as its one resource, and that loads version 6 of the common
// controls when it runs.
#include <windows.h>
#include <psapi.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

// The file's bytes.
std::vector<unsigned char> ReadProgramFile() {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(QuorvelExePath().c_str(), GENERIC_READ, FILE_SHARE_READ, 0,
                              OPEN_EXISTING, 0, 0);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    bytes.resize(GetFileSize(file, 0));
    DWORD read = 0;
    ReadFile(file, bytes.data(), (DWORD)bytes.size(), &read, 0);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

class ProgramFile : public testing::Test {
  protected:
    void SetUp() override {
        bytes = ReadProgramFile();
        ASSERT_GT(bytes.size(), sizeof(IMAGE_DOS_HEADER)) << QuorvelExePath();
        const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)bytes.data();
        ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
        ASSERT_LT((size_t)dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32), bytes.size());
        headers = (const IMAGE_NT_HEADERS32 *)(bytes.data() + dos->e_lfanew);
        ASSERT_EQ(IMAGE_NT_SIGNATURE, headers->Signature);
    }

    // The file offset of a relative virtual address, or 0 when no section holds it.
    size_t OffsetOf(DWORD rva) const {
        const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(headers);
        for (int i = 0; i < headers->FileHeader.NumberOfSections; i++, section++) {
            if (rva >= section->VirtualAddress &&
                rva < section->VirtualAddress + section->SizeOfRawData) {
                return rva - section->VirtualAddress + section->PointerToRawData;
            }
        }
        return 0;
    }

    std::vector<unsigned char> bytes;
    const IMAGE_NT_HEADERS32 *headers = 0;
};

TEST_F(ProgramFile, Small32BitGuiProgram) {
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, headers->FileHeader.Machine);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, headers->OptionalHeader.Magic);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, headers->OptionalHeader.Subsystem);
    EXPECT_TRUE(headers->FileHeader.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE);
    EXPECT_FALSE(headers->FileHeader.Characteristics & IMAGE_FILE_DLL);
    // Object numbers that are addresses must stay positive as 32-bit values.
    EXPECT_FALSE(headers->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
    EXPECT_LT(bytes.size(), 64u * 1024) << "the program has grown past 64 KiB";
}

TEST_F(ProgramFile, ImportsOnlySystemDlls) {
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll",
                                          "ole32.dll",    "rpcrt4.dll", "msvcrt.dll"};
    const IMAGE_DATA_DIRECTORY &directory =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t offset = OffsetOf(directory.VirtualAddress);
    ASSERT_NE(0u, offset);
    std::set<std::string> imported;
    for (const IMAGE_IMPORT_DESCRIPTOR *entry =
             (const IMAGE_IMPORT_DESCRIPTOR *)(bytes.data() + offset);
         entry->Name; entry++) {
        size_t name = OffsetOf(entry->Name);
        ASSERT_NE(0u, name);
        std::string dll = (const char *)bytes.data() + name;
        for (char &c : dll) {
            c = (char)tolower((unsigned char)c);
        }
        imported.insert(dll);
        EXPECT_TRUE(system.count(dll)) << dll << " is no system DLL";
    }
    EXPECT_TRUE(imported.count("user32.dll"));
    EXPECT_TRUE(imported.count("comctl32.dll"));
}

// The one resource: type, name and language of each, as the system enumerates them.
struct ResourceEntry {
    ULONG_PTR type, name;
    WORD language;
};

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list) {
    ((std::vector<ResourceEntry> *)list)->push_back({(ULONG_PTR)type, (ULONG_PTR)name, language});
    return TRUE;
}

BOOL CALLBACK AddNames(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list) {
    EXPECT_TRUE(IS_INTRESOURCE(name)) << "a resource with a string name";
    EnumResourceLanguagesA(module, type, name, AddLanguage, list);
    return TRUE;
}

BOOL CALLBACK AddTypes(HMODULE module, LPSTR type, LONG_PTR list) {
    EXPECT_TRUE(IS_INTRESOURCE(type)) << "a resource type with a string name";
    EnumResourceNamesA(module, type, AddNames, list);
    return TRUE;
}

TEST(ProgramResources, OnlyTheManifest) {
    HMODULE module = LoadLibraryExA(QuorvelExePath().c_str(), 0, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    std::vector<ResourceEntry> resources;
    EnumResourceTypesA(module, AddTypes, (LONG_PTR)&resources);
    ASSERT_EQ(1u, resources.size());
    EXPECT_EQ(24u, resources[0].type); // RT_MANIFEST
    EXPECT_EQ(1u, resources[0].name);  // CREATEPROCESS_MANIFEST_RESOURCE_ID
    EXPECT_EQ(1033, resources[0].language);

    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), 1033);
    ASSERT_TRUE(found);
    const char *data = (const char *)LockResource(LoadResource(module, found));
    ASSERT_TRUE(data);
    std::string manifest(data, SizeofResource(module, found));
    FreeLibrary(module);

    // The program's own identity, its description, and one dependency: the common controls 6.
    const char *expected[] = {
        "<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"X86\" "
        "name=\"CompanyName.ProductName.YourApp\" type=\"win32\"/>",
        "<description>Your application description here.</description>",
        "<assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
        "version=\"6.0.0.0\" processorArchitecture=\"X86\" "
        "publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>",
    };
    for (const char *part : expected) {
        EXPECT_NE(std::string::npos, manifest.find(part)) << part << "\nin\n" << manifest;
    }
    size_t dependency = manifest.find("<dependency>");
    ASSERT_NE(std::string::npos, dependency);
    EXPECT_EQ(std::string::npos, manifest.find("<dependency>", dependency + 1));
    EXPECT_EQ(std::string::npos, manifest.find("<trustInfo")) << "more than the manifest asks";
}

TEST(ProgramResources, RunningToolUsesCommonControls6) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, tool.processId);
    ASSERT_TRUE(process);
    HMODULE modules[256];
    DWORD size = 0;
    ASSERT_TRUE(EnumProcessModules(process, modules, sizeof modules, &size));
    std::string comctl32;
    for (DWORD i = 0; i < size / sizeof(HMODULE) && i < 256; i++) {
        char path[MAX_PATH] = "";
        GetModuleFileNameExA(process, modules[i], path, sizeof path);
        std::string lower = path;
        for (char &c : lower) {
            c = (char)tolower((unsigned char)c);
        }
        if (lower.size() >= 12 && lower.compare(lower.size() - 12, 12, "comctl32.dll") == 0) {
            comctl32 = lower;
        }
    }
    CloseHandle(process);
    // Version 6 comes from the side-by-side store, under the assembly's public key token.
    EXPECT_NE(std::string::npos, comctl32.find("6595b64144ccf1df")) << comctl32;
}

} // namespace
