#include "Dispatch.h"
#include "Library.h"
#include "core_test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using coretest::BinDir;
using coretest::ScopedEnv;
using coretest::TempDir;

const fs::path& ServerLibrary() {
    static const fs::path path = BinDir() / "TestOleServer.so";
    return path;
}

// A copy of the test server library under another name, in a folder of its own.
std::string CopyServer(const TempDir& dir, const std::string& relative) {
    const fs::path target = dir.Path() / relative;
    fs::create_directories(target.parent_path());
    fs::copy_file(ServerLibrary(), target);
    return target.string();
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Library, DllNamesMapToSharedObjects) {
    struct Case {
        const char* name;
        const char* file;
    };
    const Case cases[] = {
        {"TestOleServer.dll", "TestOleServer.so"},
        {"KTDownLoad.DLL", "KTDownLoad.so"},
        {"QMER04S.Dll", "QMER04S.so"},
        {"/opt/steward/Ktlanguage.dll", "/opt/steward/Ktlanguage.so"},
        {"Qmer04C.so", "Qmer04C.so"},
        {"libm.so.6", "libm.so.6"},
        {"NoExtension", "NoExtension"},
        {"dll", "dll"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LibraryFileName(c.name), c.file);
    }
}

TEST(Library, LoadFindSymbolAndFree) {
    HMODULE module = LoadLibrary("TestOleServer.dll"); // beside this program
    ASSERT_NE(module, nullptr) << LibraryErrorText();
    EXPECT_NE(GetProcAddress(module, OleCreateObjectSymbol), nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchSymbol"), nullptr);
    EXPECT_TRUE(Contains(LibraryErrorText(), "NoSuchSymbol"));
    EXPECT_TRUE(FreeLibrary(module));

    EXPECT_EQ(GetProcAddress(nullptr, "OleCreateObject"), nullptr);
    EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST(Library, MissingLibrariesFailWithTheirName) {
    EXPECT_EQ(LoadLibrary("NoSuchLibrary.dll"), nullptr);
    EXPECT_TRUE(Contains(LibraryErrorText(), "NoSuchLibrary.so"));
    EXPECT_EQ(LoadLibrary("/nonexistent/Folder.dll"), nullptr);
    EXPECT_TRUE(Contains(LibraryErrorText(), "/nonexistent/Folder.so"));
    EXPECT_EQ(LoadLibrary(""), nullptr);
    EXPECT_FALSE(LibraryErrorText().empty());
}

TEST(Library, SearchesTheLibraryPathVariable) {
    TempDir dir;
    CopyServer(dir, "extra/Relocated.so");
    EXPECT_EQ(LoadLibrary("Relocated.dll"), nullptr);

    ScopedEnv path("STEWARD_LIBRARY_PATH", "/nonexistent::" + (dir.Path() / "extra").string());
    HMODULE module = LoadLibrary("Relocated.dll");
    ASSERT_NE(module, nullptr) << LibraryErrorText();
    EXPECT_NE(GetProcAddress(module, OleCreateObjectSymbol), nullptr);
    FreeLibrary(module);
}

TEST(Library, AFileThatDoesNotLoadStopsTheSearch) {
    TempDir dir;
    dir.Write("Broken.so", "not an ELF file at all");
    ScopedEnv path("STEWARD_LIBRARY_PATH", dir.Path().string());
    EXPECT_EQ(LoadLibrary("Broken.dll"), nullptr);
    EXPECT_TRUE(Contains(LibraryErrorText(), (dir.Path() / "Broken.so").string()))
        << LibraryErrorText();
}

TEST(Library, SearchStartsInTheCallingModulesFolder) {
    TempDir dir;
    const std::string server = CopyServer(dir, "module/Server.so");
    CopyServer(dir, "module/Sibling.so");
    EXPECT_EQ(LoadLibrary("Sibling.dll"), nullptr); // not beside this program

    HMODULE module = LoadLibrary(server);
    ASSERT_NE(module, nullptr) << LibraryErrorText();
    using LoadBesideFn = HMODULE (*)(const char*);
    const auto loadBeside =
        reinterpret_cast<LoadBesideFn>(GetProcAddress(module, "TestLoadBeside"));
    ASSERT_NE(loadBeside, nullptr);
    HMODULE sibling = loadBeside("Sibling.dll");
    ASSERT_NE(sibling, nullptr) << LibraryErrorText();
    EXPECT_EQ(ModuleFileNameOf(GetProcAddress(sibling, OleCreateObjectSymbol)),
              (dir.Path() / "module/Sibling.so").string());
    FreeLibrary(sibling);
    FreeLibrary(module);
}

TEST(Library, ModuleFileNames) {
    const std::string program = ProgramFileName();
    EXPECT_TRUE(fs::path(program).is_absolute());
    EXPECT_TRUE(fs::equivalent(fs::path(program).parent_path(), BinDir()));
    static const int inThisProgram = 0;
    EXPECT_EQ(ModuleFileNameOf(&inThisProgram), program);
    const std::string platform = ModuleFileNameOf(reinterpret_cast<const void*>(&LoadLibrary));
    EXPECT_EQ(fs::path(platform).filename(), "libstewardvcl.so");
    EXPECT_EQ(ModuleFileNameOf(nullptr), "");
}

} // namespace
