// Separated texts, values and numbers, environment and dialog captions.
#include "LibStrs.h"

#include "AlertLog.h"
#include "Registry.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <utility>

namespace {

// A replacement that keeps forming new occurrences (e.g. "ab" -> "ba" over a long text) is
// stopped after this many replacements or once the text has grown to this size.
constexpr std::size_t MaxReplacements = 1u << 20;
constexpr std::size_t MaxReplacedLength = 64u << 20;

bool IsBlankByte(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiUpper(x) == AsciiUpper(y);
           });
}

// Every occurrence replaced in one left-to-right pass; replacements are not searched again.
std::string ReplaceInOnePass(std::string_view text, std::string_view oldText,
                             std::string_view newText) {
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find(oldText); at != std::string_view::npos;
         at = text.find(oldText, from)) {
        result.append(text.substr(from, at - from)).append(newText);
        from = at + oldText.size();
    }
    result.append(text.substr(from));
    return result;
}

// Replaces the leftmost occurrence again and again until none is left, as a restart from
// the beginning after each replacement would, but without rescanning: characters move from
// the pending input onto the output, which never holds a whole occurrence, and a
// replacement goes back in front of the pending input. Pending is kept reversed so its
// front is its back.
std::string ReplaceUntilNoneLeft(std::string_view text, std::string_view oldText,
                                 std::string_view newText) {
    std::string output;
    std::string pending(text.rbegin(), text.rend());
    std::size_t replacements = 0;
    while (!pending.empty()) {
        output.push_back(pending.back());
        pending.pop_back();
        if (!output.ends_with(oldText)) {
            continue;
        }
        const bool withinLimits =
            replacements < MaxReplacements &&
            output.size() + pending.size() + newText.size() <= MaxReplacedLength;
        if (!withinLimits) {
            break;
        }
        output.resize(output.size() - oldText.size());
        pending.append(newText.rbegin(), newText.rend());
        ++replacements;
    }
    output.append(pending.rbegin(), pending.rend());
    return output;
}

} // namespace

// ---- Small text helpers -------------------------------------------------------------------------

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlankByte(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlankByte(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool TryTextToInt(std::string_view text, int& value) {
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) {
            return false;
        }
    }
    if (text.empty()) {
        return false;
    }
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

// ---- Separated texts ----------------------------------------------------------------------------

std::string GetField(std::string_view text, std::string_view separator, int n) {
    if (n < 1) {
        return {};
    }
    if (separator.empty()) {
        return n == 1 ? std::string(text) : std::string();
    }
    std::size_t from = 0;
    for (int field = 1; field < n; ++field) {
        const std::size_t at = text.find(separator, from);
        if (at == std::string_view::npos) {
            return {};
        }
        from = at + separator.size();
    }
    const std::size_t end = text.find(separator, from);
    return std::string(text.substr(from, end == std::string_view::npos ? end : end - from));
}

int CountFields(std::string_view text, std::string_view separator) {
    if (text.empty()) {
        return 0;
    }
    if (separator.empty()) {
        return 1;
    }
    int count = 1;
    for (std::size_t at = text.find(separator); at != std::string_view::npos;
         at = text.find(separator, at + separator.size())) {
        ++count;
    }
    return count;
}

std::string SplitHead(std::string& text, std::string_view separator) {
    const std::size_t at = separator.empty() ? std::string::npos : text.find(separator);
    if (at == std::string::npos) {
        return std::exchange(text, std::string());
    }
    std::string head = text.substr(0, at);
    text.erase(0, at + separator.size());
    return head;
}

std::string ReplaceText(std::string_view text, std::string_view oldText, std::string_view newText,
                        bool trim) {
    std::string result;
    if (oldText.empty() || EqualIgnoringAsciiCase(oldText, newText)) {
        result = text;
    } else if (newText.find(oldText) != std::string_view::npos) {
        // Searching the replacement again would never end.
        result = ReplaceInOnePass(text, oldText, newText);
    } else {
        result = ReplaceUntilNoneLeft(text, oldText, newText);
    }
    return trim ? std::string(TrimBlanks(result)) : result;
}

std::u16string BuildRecordText(std::string_view prefix, const Variant& countedValues) {
    const Variant& values = countedValues.Deref();
    const Variant& countValue = values[0];
    std::string record(prefix);
    record.append(RecordSeparatorText).append(VarToStr(countValue)).append(RecordSeparatorText);
    const int count = countValue.AsInteger();
    for (int i = 1; i <= count; ++i) {
        record.append(VarToStr(values[i])).append(RecordSeparatorText);
    }
    return Utf8ToUtf16(record);
}

// ---- Values and numbers -------------------------------------------------------------------------

Variant VarIIf(bool flag, const Variant& a, const Variant& b) {
    return flag ? a : b;
}

bool VarIsBlank(const Variant& value) {
    const Variant& target = value.Deref();
    return VarIsEmpty(target) || VarIsNull(target);
}

double TextToFloatDef(std::string_view text, double fallback) {
    text = TrimBlanks(text);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) {
            return fallback;
        }
    }
    const std::string_view unsigned_ = text.starts_with('-') ? text.substr(1) : text;
    // from_chars also reads "inf" and "nan", which are no decimal numbers.
    const bool startsLikeNumber =
        !unsigned_.empty() && ((unsigned_[0] >= '0' && unsigned_[0] <= '9') || unsigned_[0] == '.');
    if (!startsLikeNumber) {
        return fallback;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return fallback;
    }
    return value;
}

// ---- Environment and messages -------------------------------------------------------------------

namespace {

constexpr std::string_view StewardKey = "Software\\KTW\\Steward";

std::string WithForwardSlashes(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

} // namespace

std::string GetStewardDir() {
    try {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKeyReadOnly(StewardKey)) {
            return {};
        }
        std::string folder = registry.TryReadString("ClientPath").value_or(std::string());
        if (folder.empty()) {
            folder = registry.TryReadString("ServerPath").value_or(std::string());
        }
        return WithForwardSlashes(std::move(folder));
    } catch (...) {
        return {};
    }
}

std::string GetTempDirectory() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string folder =
        (fromEnvironment != nullptr && *fromEnvironment != '\0') ? fromEnvironment : "/tmp";
    if (!folder.ends_with('/')) {
        folder.push_back('/');
    }
    return folder;
}

bool IsLoopbackAddress(std::string_view address) {
    return address == "127.0.0.1";
}

bool WriteAlertLog(std::string_view name, std::string_view message, std::string_view period) {
    std::string baseFolder = GetStewardDir();
    if (baseFolder.empty()) {
        baseFolder = HostProgramDir();
    }
    return AppendAlertLog(baseFolder, name, message, period);
}

std::string DialogButtonCaption(std::string_view buttonName) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 11> Captions{{
        {"Yes", "是(&Y)"},
        {"No", "否(&N)"},
        {"OK", "确定"},
        {"Cancel", "取消"},
        {"Abort", "中断(&A)"},
        {"Retry", "重试(&R)"},
        {"Ignore", "忽略(&I)"},
        {"All", "全部(&A)"},
        {"NoToAll", "全否(&o)"},
        {"YesToAll", "全是(&A)"},
        {"Help", "帮助(&H)"},
    }};
    for (const auto& [name, caption] : Captions) {
        if (name == buttonName) {
            return std::string(caption);
        }
    }
    return std::string(buttonName);
}
