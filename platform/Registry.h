// The read-only registry: an INI-style file whose section names are key paths, e.g.
//   [HKEY_LOCAL_MACHINE\Software\KTW\Steward]
//   ClientPath=/opt/steward
//   "Quoted"="value"      ; surrounding double quotes are dropped
//   @=the key's default value (read with the name "" or "@")
// The file is named by STEWARD_REGISTRY, else $XDG_CONFIG_HOME/steward/registry.ini
// (~/.config/...) when that file exists, else /etc/steward/registry.ini. Key paths and value
// names compare without regard to ASCII case; roots may be abbreviated (HKLM, HKCU, HKCR,
// HKU); every parent of a section's key exists too. The first occurrence of a value wins and
// repeated sections merge. Lines starting with ';' or '#' are comments; a section line
// without its closing ']' is ignored together with the values under it. The file is read as
// UTF-8 (invalid bytes become U+FFFD; UTF-16 with a byte-order mark is read too); a file
// above RegistryMaxFileSize is not read and the registry is then empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

inline constexpr std::size_t RegistryMaxFileSize = std::size_t{64} << 20;

// The path of the registry file in force (may name a file that does not exist).
std::string RegistryFilePath();
// The parse is cached by path, modification time and size, so opening keys is cheap and a
// changed file is read again. ReloadRegistry drops the cache all the same.
void ReloadRegistry();
// Why the last read of the registry found no keys (missing, unreadable or too large file);
// empty when the file was read.
std::string RegistryErrorText();

struct RegistryData; // a parsed registry file

class TRegistry {
public:
    TRegistry();
    ~TRegistry();

    HKEY RootKey() const { return rootKey_; }
    void SetRootKey(HKEY rootKey);

    // Opens an existing key; false when the key (or the whole file) is missing, and the
    // key open before stays open. A key without a leading '\' is relative to the open key
    // (to the root when none is open). Setting the root key closes the open key.
    bool OpenKeyReadOnly(std::string_view key);
    bool KeyExists(std::string_view key) const;
    void CloseKey();
    // The open key's path below the root, e.g. "Software\KTW\Steward"; empty when none.
    const std::string& CurrentPath() const { return currentPath_; }

    // Values of the open key. ValueExists distinguishes a missing value from an empty one.
    bool ValueExists(std::string_view name) const;
    std::optional<std::string> TryReadString(std::string_view name) const;
    // "" when the value is missing (as the platform does); TryReadString tells the cases
    // apart.
    std::string ReadString(std::string_view name) const;
    // "dword:0000000a", "0x0a" or a decimal text; raises ERegistryException when missing or
    // not a 32-bit number.
    int ReadInteger(std::string_view name) const;

private:
    // The normalised path below the root that key names from the open key.
    std::string Resolve(std::string_view key) const;

    HKEY rootKey_ = HKEY_CURRENT_USER;
    std::string currentPath_; // below the root, as given; empty when no key is open
    std::string currentKey_;  // "root\key\path" in lower case: the lookup key
    std::shared_ptr<const RegistryData> data_; // the parse the open key belongs to
};
