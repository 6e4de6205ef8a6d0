#include "IniFile.h"

#include "LibStrs.h"
#include "Variant.h"

#include <charconv>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeBom = "\xFF\xFE";

// A value written as "text" or 'text' stands for text, as the profile functions read it.
std::string_view Unquote(std::string_view value) {
    if (value.size() < 2) {
        return value;
    }
    const char first = value.front();
    if ((first == '"' || first == '\'') && value.back() == first) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsCommentLine(std::string_view line) {
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

std::string ReadFileBytes(const std::string& fileName) {
    std::error_code error;
    // Only regular files: a FIFO or device named like the file must not block or flood us.
    if (!std::filesystem::is_regular_file(fileName, error)) {
        return {};
    }
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return {};
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DecodeUtf16Le(std::string_view bytes) {
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        wide.push_back(static_cast<char16_t>(low | (high << 8)));
    }
    return Utf16ToUtf8(wide);
}

bool ParseInteger(std::string_view text, int& result) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.starts_with("$")) {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    long long magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return false;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT_MIN || value > INT_MAX) {
        return false;
    }
    result = static_cast<int>(value);
    return true;
}

} // namespace

std::string DecodeConfigText(std::string_view bytes, int codePage) {
    if (bytes.starts_with(Utf16LeBom)) {
        return DecodeUtf16Le(bytes.substr(Utf16LeBom.size()));
    }
    if (bytes.starts_with(Utf8Bom)) {
        bytes.remove_prefix(Utf8Bom.size());
    }
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return Utf16ToUtf8(CodePageToWide(bytes, codePage));
}

TIniFile::TIniFile(std::string fileName, int codePage) : fileName_(std::move(fileName)) {
    Parse(DecodeConfigText(ReadFileBytes(fileName_), codePage));
}

TIniFile TIniFile::FromBytes(std::string_view bytes, int codePage) {
    TIniFile ini;
    ini.Parse(DecodeConfigText(bytes, codePage));
    return ini;
}

void TIniFile::Parse(std::string_view text) {
    constexpr std::size_t NoSection = static_cast<std::size_t>(-1);
    std::size_t current = NoSection;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = TrimBlanks(text.substr(start, end - start));
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }

        if (line.empty() || IsCommentLine(line)) {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            current = close == std::string_view::npos
                          ? NoSection
                          : SectionIndex(TrimBlanks(line.substr(1, close - 1)));
            continue;
        }
        const auto equals = line.find('=');
        if (current == NoSection || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = TrimBlanks(line.substr(0, equals));
        if (key.empty()) {
            continue;
        }
        sections_[current].entries.push_back(
            Entry{std::string(key), std::string(Unquote(TrimBlanks(line.substr(equals + 1))))});
    }
}

std::size_t TIniFile::SectionIndex(std::string_view name) {
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (SameTextAscii(sections_[i].name, name)) {
            return i;
        }
    }
    sections_.push_back(Section{std::string(name), {}});
    return sections_.size() - 1;
}

const TIniFile::Section* TIniFile::FindSection(std::string_view name) const {
    for (const Section& section : sections_) {
        if (SameTextAscii(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

const TIniFile::Entry* TIniFile::FindEntry(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) {
        return nullptr;
    }
    for (const Entry& entry : found->entries) {
        if (SameTextAscii(entry.key, key)) {
            return &entry;
        }
    }
    return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const {
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindEntry(section, key) != nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
    const Entry* entry = FindEntry(section, key);
    return std::string(entry != nullptr ? std::string_view(entry->value) : fallback);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    const Entry* entry = FindEntry(section, key);
    int value = 0;
    if (entry == nullptr || !ParseInteger(entry->value, value)) {
        return fallback;
    }
    return value;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* found = FindSection(section)) {
        for (const Entry& entry : found->entries) {
            keys.push_back(entry.key);
        }
    }
    return keys;
}

std::vector<std::string> TIniFile::ReadSectionValues(std::string_view section) const {
    std::vector<std::string> lines;
    for (const std::string& key : ReadSection(section)) {
        lines.push_back(key + "=" + ReadString(section, key, {}));
    }
    return lines;
}
