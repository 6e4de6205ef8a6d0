#include "Registry.h"

#include "SysUtils.h"
#include "Variant.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

// Values of one key, and all keys of the file; both keyed in lower case.
struct RegistryData {
    using Values = std::unordered_map<std::string, std::string>;
    std::unordered_map<std::string, Values> keys;
};

namespace {

constexpr char kRegistryVariable[] = "STEWARD_REGISTRY";
constexpr char kUserFile[] = "/steward/registry.ini";
constexpr char kSystemFile[] = "/etc/steward/registry.ini";
constexpr char kKeySeparator = '\\';
constexpr std::string_view kDefaultValueName = "@";
constexpr std::string_view kDwordPrefix = "dword:";
constexpr std::string_view kHexPrefix = "0x";
constexpr int kHexBase = 16;

struct RootName {
    HKEY key;
    std::string_view name;
    std::string_view alias;
};
constexpr std::array<RootName, 4> kRoots = {{
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
}};

std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::string_view Unquote(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

std::string_view RootNameOf(HKEY key) {
    for (const RootName& root : kRoots) {
        if (root.key == key) {
            return root.name;
        }
    }
    return kRoots[1].name;
}

// The key's components without empty ones (doubled, leading or trailing separators).
std::vector<std::string_view> SplitKey(std::string_view key) {
    std::vector<std::string_view> parts;
    while (!key.empty()) {
        const auto separator = key.find(kKeySeparator);
        const std::string_view part = Trim(key.substr(0, separator));
        if (!part.empty()) {
            parts.push_back(part);
        }
        key = separator == std::string_view::npos ? std::string_view() : key.substr(separator + 1);
    }
    return parts;
}

std::string JoinKey(const std::vector<std::string_view>& parts, std::size_t count) {
    std::string joined;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            joined += kKeySeparator;
        }
        joined += parts[i];
    }
    return joined;
}

// A section's key path in lookup form, with the root's full name; empty when invalid.
std::vector<std::string_view> SectionKey(std::string_view section) {
    std::vector<std::string_view> parts = SplitKey(section);
    if (parts.empty()) {
        return parts;
    }
    const std::string root = Lower(parts.front());
    for (const RootName& known : kRoots) {
        if (root == Lower(known.name) || root == Lower(known.alias)) {
            parts.front() = known.name;
        }
    }
    return parts;
}

// Adds the key and every parent of it; returns the key's value table.
RegistryData::Values& AddKey(RegistryData& data, const std::vector<std::string_view>& parts) {
    RegistryData::Values* values = nullptr;
    for (std::size_t count = 1; count <= parts.size(); ++count) {
        values = &data.keys[Lower(JoinKey(parts, count))];
    }
    return *values;
}

std::string ValueKey(std::string_view name) {
    return name == kDefaultValueName ? std::string() : Lower(name);
}

void ParseLine(std::string_view line, RegistryData& data, RegistryData::Values*& current) {
    line = Trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '#') {
        return;
    }
    if (line.front() == '[') {
        // An unterminated or empty section name drops what follows until the next section.
        current = nullptr;
        if (line.back() == ']') {
            const auto parts = SectionKey(line.substr(1, line.size() - 2));
            current = parts.empty() ? nullptr : &AddKey(data, parts);
        }
        return;
    }
    const auto equals = line.find('=');
    if (!current || equals == std::string_view::npos) {
        return;
    }
    const std::string_view name = Unquote(Trim(line.substr(0, equals)));
    if (name.empty()) {
        return;
    }
    const std::string_view value = Unquote(Trim(line.substr(equals + 1)));
    current->try_emplace(ValueKey(name), value); // the first occurrence wins
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return Utf16ToUtf8(units);
}

// The file's text as UTF-8, whatever byte-order mark or stray bytes it has.
std::string DecodeText(std::string bytes) {
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
    constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
    const std::string_view view = bytes;
    if (view.starts_with(kUtf8Bom)) {
        bytes.erase(0, kUtf8Bom.size());
    } else if (view.starts_with(kUtf16LeBom) || view.starts_with(kUtf16BeBom)) {
        return DecodeUtf16(view.substr(2), view.starts_with(kUtf16BeBom));
    }
    return IsValidUtf8(bytes) ? std::move(bytes) : RepairUtf8(bytes);
}

std::shared_ptr<RegistryData> Parse(std::string_view text) {
    auto data = std::make_shared<RegistryData>();
    RegistryData::Values* current = nullptr;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        ParseLine(text.substr(0, newline), *data, current);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    }
    return data;
}

// Reads the whole file; on failure returns false with the reason in error.
bool ReadFile(const std::string& path, std::size_t size, std::string& bytes, std::string& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "Cannot open registry file " + path + ": " + SysErrorMessage(errno);
        return false;
    }
    bytes.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = read(fd, bytes.data() + done, size - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            error = "Cannot read registry file " + path + ": " + SysErrorMessage(errno);
            close(fd);
            return false;
        }
        if (count == 0) {
            break; // the file shrank meanwhile: keep what was there
        }
        done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    close(fd);
    return true;
}

struct Cache {
    std::mutex mutex;
    std::string path;
    std::int64_t mtimeNs = -1;
    std::int64_t size = -1;
    std::shared_ptr<const RegistryData> data;
    std::string error;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

const std::shared_ptr<const RegistryData>& EmptyData() {
    static const std::shared_ptr<const RegistryData> empty = std::make_shared<RegistryData>();
    return empty;
}

std::shared_ptr<const RegistryData> LoadRegistry() {
    const std::string path = RegistryFilePath();
    Cache& cache = TheCache();
    const std::lock_guard lock(cache.mutex);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        cache.path.clear();
        cache.data = EmptyData();
        cache.error = "Registry file " + path + " not found";
        return cache.data;
    }
    const std::int64_t mtimeNs =
        std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    if (cache.data && cache.path == path && cache.mtimeNs == mtimeNs &&
        cache.size == info.st_size) {
        return cache.data;
    }
    cache.path = path;
    cache.mtimeNs = mtimeNs;
    cache.size = info.st_size;
    cache.data = EmptyData();
    cache.error.clear();
    if (!S_ISREG(info.st_mode)) {
        cache.error = "Registry file " + path + " is not a regular file";
        return cache.data;
    }
    if (static_cast<std::uint64_t>(info.st_size) > RegistryMaxFileSize) {
        cache.error = "Registry file " + path + " is larger than " +
                      std::to_string(RegistryMaxFileSize >> 20) + " MB; it is not read";
        return cache.data;
    }
    std::string bytes;
    if (!ReadFile(path, static_cast<std::size_t>(info.st_size), bytes, cache.error)) {
        return cache.data;
    }
    cache.data = Parse(DecodeText(std::move(bytes)));
    return cache.data;
}

const std::string* FindValue(const std::shared_ptr<const RegistryData>& data,
                             const std::string& key, std::string_view name) {
    if (!data || key.empty()) {
        return nullptr;
    }
    const auto values = data->keys.find(key);
    if (values == data->keys.end()) {
        return nullptr;
    }
    const auto value = values->second.find(ValueKey(name));
    return value == values->second.end() ? nullptr : &value->second;
}

std::optional<int> ParseInteger(std::string_view text) {
    text = Trim(text);
    int base = 10;
    if (Lower(text.substr(0, kDwordPrefix.size())) == kDwordPrefix) {
        text.remove_prefix(kDwordPrefix.size());
        base = kHexBase;
    } else if (Lower(text.substr(0, kHexPrefix.size())) == kHexPrefix) {
        text.remove_prefix(kHexPrefix.size());
        base = kHexBase;
    }
    if (base == kHexBase) {
        std::uint32_t bits = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), bits, base);
        if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
            return std::nullopt;
        }
        return static_cast<int>(bits); // a DWORD's bits, as the platform reads them
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string RegistryFilePath() {
    const char* named = std::getenv(kRegistryVariable);
    if (named && *named) {
        return named;
    }
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string userFile;
    if (configHome && configHome[0] == '/') {
        userFile = std::string(configHome) + kUserFile;
    } else if (home && *home) {
        userFile = std::string(home) + "/.config" + kUserFile;
    }
    struct stat info {};
    if (!userFile.empty() && stat(userFile.c_str(), &info) == 0) {
        return userFile;
    }
    return kSystemFile;
}

void ReloadRegistry() {
    Cache& cache = TheCache();
    const std::lock_guard lock(cache.mutex);
    cache.path.clear();
    cache.data.reset();
    cache.error.clear();
}

std::string RegistryErrorText() {
    Cache& cache = TheCache();
    const std::lock_guard lock(cache.mutex);
    return cache.error;
}

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY rootKey) {
    CloseKey();
    rootKey_ = rootKey;
}

std::string TRegistry::Resolve(std::string_view key) const {
    const bool relative = !key.empty() && key.front() != kKeySeparator;
    const std::vector<std::string_view> parts = SplitKey(key);
    std::string path = relative ? currentPath_ : std::string();
    for (const std::string_view part : parts) {
        if (!path.empty()) {
            path += kKeySeparator;
        }
        path += part;
    }
    return path;
}

namespace {

std::string LookupKey(HKEY root, const std::string& path) {
    std::string key = Lower(RootNameOf(root));
    if (!path.empty()) {
        key += kKeySeparator + Lower(path);
    }
    return key;
}

} // namespace

bool TRegistry::OpenKeyReadOnly(std::string_view key) {
    std::shared_ptr<const RegistryData> data = LoadRegistry();
    std::string path = Resolve(key);
    std::string lookup = LookupKey(rootKey_, path);
    if (!data->keys.contains(lookup)) {
        return false;
    }
    data_ = std::move(data);
    currentPath_ = std::move(path);
    currentKey_ = std::move(lookup);
    return true;
}

bool TRegistry::KeyExists(std::string_view key) const {
    return LoadRegistry()->keys.contains(LookupKey(rootKey_, Resolve(key)));
}

void TRegistry::CloseKey() {
    currentPath_.clear();
    currentKey_.clear();
    data_.reset();
}

bool TRegistry::ValueExists(std::string_view name) const {
    return FindValue(data_, currentKey_, name) != nullptr;
}

std::optional<std::string> TRegistry::TryReadString(std::string_view name) const {
    const std::string* value = FindValue(data_, currentKey_, name);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

std::string TRegistry::ReadString(std::string_view name) const {
    return TryReadString(name).value_or(std::string());
}

int TRegistry::ReadInteger(std::string_view name) const {
    const std::string* value = FindValue(data_, currentKey_, name);
    if (!value) {
        throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
    }
    const auto number = ParseInteger(*value);
    if (!number) {
        throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
    }
    return *number;
}
