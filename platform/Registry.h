// The read-only registry: an INI-style file whose section names are key paths, e.g.
//   [HKEY_LOCAL_MACHINE\Software\KTW\Steward]
//   ClientPath=/opt/steward
// The file is named by STEWARD_REGISTRY, else $XDG_CONFIG_HOME/steward/registry.ini
// (~/.config/...), else /etc/steward/registry.ini. Key paths and value names compare without
// regard to case; the first occurrence of a value wins.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class HKEY : std::uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
};
using enum HKEY;

// The path of the registry file in force (may name a file that does not exist).
std::string RegistryFilePath();
// Drops the cached parse so the next open reads the file again (tests change it).
void ReloadRegistry();

class TRegistry {
public:
    TRegistry();
    ~TRegistry();

    HKEY RootKey() const { return rootKey_; }
    void SetRootKey(HKEY rootKey);

    // Opens an existing key; false when the key (or the whole file) is missing.
    bool OpenKeyReadOnly(std::string_view key);
    bool KeyExists(std::string_view key) const;
    void CloseKey();
    const std::string& CurrentPath() const { return currentPath_; }

    // Values of the open key. ValueExists distinguishes a missing value from an empty one.
    bool ValueExists(std::string_view name) const;
    std::optional<std::string> TryReadString(std::string_view name) const;
    // Raises ERegistryException when the value is missing (as the platform does).
    std::string ReadString(std::string_view name) const;
    // "dword:0000000a" or a decimal text; raises ERegistryException when missing or not a
    // number.
    int ReadInteger(std::string_view name) const;

private:
    HKEY rootKey_ = HKEY_CURRENT_USER;
    std::string currentPath_; // normalised "ROOT\Key\Path", empty when no key is open
};
