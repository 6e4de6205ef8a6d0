#include "Registry.h"
#include "SysUtils.h"
#include "Variant.h"
#include "core_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using coretest::ScopedEnv;
using coretest::ScopedRegistry;
using coretest::TempDir;

constexpr const char* kStewardKey = "Software\\KTW\\Steward";

std::optional<std::string> Read(HKEY root, std::string_view key, std::string_view name) {
    TRegistry registry;
    registry.SetRootKey(root);
    if (!registry.OpenKeyReadOnly(key)) {
        return std::nullopt;
    }
    return registry.TryReadString(name);
}

TEST(Registry, MissingFileHasNoKeysAndSaysWhy) {
    TempDir dir;
    const std::string missing = (dir.Path() / "none.ini").string();
    ScopedEnv env("STEWARD_REGISTRY", missing);
    ReloadRegistry();
    EXPECT_EQ(RegistryFilePath(), missing);
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.OpenKeyReadOnly(kStewardKey));
    EXPECT_FALSE(registry.KeyExists(kStewardKey));
    EXPECT_NE(RegistryErrorText().find(missing), std::string::npos);
    EXPECT_EQ(registry.ReadString("ClientPath"), "");
}

TEST(Registry, MissingKeyAndMissingValueAreDistinct) {
    const ScopedRegistry file("[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\n"
                              "ClientPath=/opt/steward\n"
                              "Empty=\n"
                              "Port=dword:0000000a\n"
                              "Decimal=-42\n"
                              "Text=ten\n");
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.OpenKeyReadOnly("Software\\KTW\\Missing"));
    EXPECT_EQ(registry.CurrentPath(), "");
    ASSERT_TRUE(registry.OpenKeyReadOnly(kStewardKey));
    EXPECT_EQ(registry.CurrentPath(), kStewardKey);

    EXPECT_EQ(registry.ReadString("ClientPath"), "/opt/steward");
    EXPECT_TRUE(registry.ValueExists("Empty"));
    EXPECT_EQ(registry.TryReadString("Empty"), std::string());
    EXPECT_FALSE(registry.ValueExists("Missing"));
    EXPECT_EQ(registry.TryReadString("Missing"), std::nullopt);
    EXPECT_EQ(registry.ReadString("Missing"), "");

    EXPECT_EQ(registry.ReadInteger("Port"), 10);
    EXPECT_EQ(registry.ReadInteger("Decimal"), -42);
    EXPECT_THROW(registry.ReadInteger("Text"), ERegistryException);
    EXPECT_THROW(registry.ReadInteger("Missing"), ERegistryException);

    // A failed open keeps the key that was open.
    EXPECT_FALSE(registry.OpenKeyReadOnly("\\Software\\Nope"));
    EXPECT_EQ(registry.ReadString("ClientPath"), "/opt/steward");
    registry.CloseKey();
    EXPECT_FALSE(registry.ValueExists("ClientPath"));
}

TEST(Registry, NamesIgnoreCaseAndKeysNestAsPaths) {
    const ScopedRegistry file("; exported by hand\n"
                              "# another comment\n"
                              "[HKLM\\Software\\KTW\\Steward]\n"
                              "  Name = \"quoted value\"  \n"
                              "\"QuotedName\"=plain\n"
                              "@=default value\n"
                              "Inner=a \"b\" c\n"
                              "[hkey_current_user\\\\Software\\KTW\\]\n"
                              "User=me\n");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, "SOFTWARE\\ktw\\STEWARD", "NAME"), "quoted value");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "quotedname"), "plain");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, ""), "default value");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "@"), "default value");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Inner"), "a \"b\" c");
    EXPECT_EQ(Read(HKEY_CURRENT_USER, "Software\\KTW", "User"), "me");
    EXPECT_EQ(Read(HKEY_CURRENT_USER, kStewardKey, "Name"), std::nullopt); // other root

    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(registry.KeyExists("Software")); // parents of a section exist
    ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\KTW"));
    EXPECT_FALSE(registry.ValueExists("Name"));
    ASSERT_TRUE(registry.OpenKeyReadOnly("Steward")); // relative to the open key
    EXPECT_EQ(registry.CurrentPath(), kStewardKey);
    EXPECT_EQ(registry.ReadString("name"), "quoted value");
    EXPECT_FALSE(registry.OpenKeyReadOnly("Software")); // not below Steward
}

TEST(Registry, FirstValueWinsAndRepeatedSectionsMerge) {
    const ScopedRegistry file("[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\n"
                              "Server=first\n"
                              "Server=second\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
                              "Server=elsewhere\n"
                              "[HKEY_LOCAL_MACHINE\\software\\ktw\\steward]\n"
                              "SERVER=third\n"
                              "Port=211\n");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Server"), "first");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Port"), "211");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, "Software\\Other", "Server"), "elsewhere");
}

TEST(Registry, MalformedLinesAreSkipped) {
    const ScopedRegistry file("Orphan=before any section\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Broken\n"
                              "Lost=value under a broken section\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\r\n"
                              "no equals sign here\r\n"
                              "=no name\r\n"
                              "Kept=yes\r\n"
                              "[]\n"
                              "AlsoLost=1\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Last]\n"
                              "Tail=no newline at the end");
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.KeyExists("Software\\Broken"));
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Kept"), "yes"); // no stray "\r"
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Lost"), std::nullopt);
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "AlsoLost"), std::nullopt);
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, "Software\\Last", "Tail"), "no newline at the end");
}

TEST(Registry, TextEncodings) {
    {
        // Stray Latin-1 / GBK bytes become U+FFFD; the rest of the file still reads.
        const ScopedRegistry file("[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\n"
                                  "Path=/opt/\xB9\xE3\xD6\xDD\n"
                                  "Name=caf\xE9\n"
                                  "Good=\xE4\xB8\xAD\xE6\x96\x87\n");
        EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Name"), "caf\xEF\xBF\xBD");
        EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Good"), "中文");
        const auto path = Read(HKEY_LOCAL_MACHINE, kStewardKey, "Path");
        ASSERT_TRUE(path);
        EXPECT_TRUE(IsValidUtf8(*path));
        EXPECT_TRUE(path->starts_with("/opt/\xEF\xBF\xBD"));
    }
    {
        const ScopedRegistry file("\xEF\xBB\xBF[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\n"
                                  "Bom=utf8\n");
        EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Bom"), "utf8");
    }
    {
        // As the platform's own registry editor exports: UTF-16 little endian with a mark.
        const std::u16string text = u"[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\r\n"
                                    u"\"Language\"=\"中文\"\r\n";
        std::string bytes = "\xFF\xFE";
        for (const char16_t unit : text) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        const ScopedRegistry file(bytes);
        EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Language"), "中文");
    }
}

TEST(Registry, LargeFilesReadAndOversizedFilesAreRefused) {
    std::string text;
    text.reserve(11u << 20);
    int section = 0;
    while (text.size() < (10u << 20)) {
        text += "[HKEY_LOCAL_MACHINE\\Software\\Bulk\\Key" + std::to_string(section++) + "]\n";
        for (int value = 0; value < 20; ++value) {
            text += "Value" + std::to_string(value) + "=" + std::string(40, 'x') + "\n";
        }
    }
    text += "[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\nAtTheEnd=found\n";
    const ScopedRegistry file(text);
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "AtTheEnd"), "found");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, "Software\\Bulk\\Key0", "Value19"), std::string(40, 'x'));
    EXPECT_EQ(RegistryErrorText(), "");

    // A sparse file just above the limit: refused without reading it.
    const int fd = open(file.File().c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(RegistryMaxFileSize) + 1), 0);
    close(fd);
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.OpenKeyReadOnly(kStewardKey));
    EXPECT_NE(RegistryErrorText().find("larger than 64 MB"), std::string::npos);
}

TEST(Registry, ChangedFileIsReadAgain) {
    const ScopedRegistry file("[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\nServer=old\n");
    TRegistry open;
    open.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(open.OpenKeyReadOnly(kStewardKey));
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Server"), "old");

    file.Rewrite("[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\nServer=newer\n");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Server"), "newer");
    EXPECT_EQ(open.ReadString("Server"), "old"); // an open key keeps the parse it opened

    // Same size, and possibly the same time stamp: only a reload is sure to see it.
    file.Rewrite("[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\nServer=other\n");
    ReloadRegistry();
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kStewardKey, "Server"), "other");
}

TEST(Registry, FileLookupOrder) {
    TempDir dir;
    ScopedEnv noRegistry("STEWARD_REGISTRY", std::nullopt);
    ScopedEnv config("XDG_CONFIG_HOME", dir.Path().string());
    EXPECT_EQ(RegistryFilePath(), "/etc/steward/registry.ini"); // no user file yet
    const std::string user = dir.Write("steward/registry.ini", "[HKCU\\Software]\nA=1\n");
    EXPECT_EQ(RegistryFilePath(), user);
    {
        ScopedEnv named("STEWARD_REGISTRY", "/elsewhere/registry.ini");
        EXPECT_EQ(RegistryFilePath(), "/elsewhere/registry.ini");
    }
    ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", dir.Path().string() + "/home");
    const std::string fromHome = dir.Write("home/.config/steward/registry.ini", "");
    EXPECT_EQ(RegistryFilePath(), fromHome);
}

} // namespace
