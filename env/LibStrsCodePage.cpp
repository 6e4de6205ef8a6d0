// Code-page transcoding (iconv) and the conversion of texts inside values exchanged with
// the application server.
#include "LibStrs.h"
#include "SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <exception>
#include <iconv.h>
#include <stdexcept>
#include <string>

namespace {

constexpr std::string_view Utf16Name = "UTF-16LE";
constexpr char UnmappableByte = '?';
constexpr char16_t ReplacementCharacter = u'\uFFFD';
constexpr std::size_t ConversionChunk = 4096;
// Nested arrays deeper than this are left unconverted (values built by peers are shallow).
constexpr int MaxArrayDepth = 64;

std::string IconvName(int codePage) {
    switch (codePage) {
    case CodePageGB:
        return "CP936";
    case CodePageBig5:
        return "CP950";
    case CodePageEnglish:
        return "CP437";
    case CodePageUtf8:
        return "UTF-8";
    default:
        return "CP" + std::to_string(codePage);
    }
}

// A code page given as text: its number ("936"), or else an iconv name ("GBK"). An empty
// text would make iconv use the locale's character set: it means this process's UTF-8.
std::string IconvName(std::string_view codePage) {
    if (codePage.empty()) {
        return IconvName(CodePageUtf8);
    }
    int number = 0;
    const auto [end, error] =
        std::from_chars(codePage.data(), codePage.data() + codePage.size(), number);
    const bool isNumber = error == std::errc{} && end == codePage.data() + codePage.size();
    return isNumber ? IconvName(number) : std::string(codePage);
}

// How many input bytes an unconvertible sequence at the front of the rest occupies.
using SkipWidth = std::size_t (*)(std::string_view rest);

class Iconv {
public:
    Iconv(const std::string& to, const std::string& from)
        : handle_(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (IsOpen()) {
            iconv_close(handle_);
        }
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool IsOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of input; an unconvertible sequence (or an incomplete one at the end) is
    // skipped and replacement is written in its place.
    std::string Convert(std::string_view input, SkipWidth skipWidth, std::string_view replacement) {
        std::string output;
        std::string source(input); // iconv wants a mutable pointer
        char* in = source.data();
        std::size_t inLeft = source.size();
        char buffer[ConversionChunk];
        while (true) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const bool finishing = inLeft == 0;
            const std::size_t result = finishing ? iconv(handle_, nullptr, nullptr, &out, &outLeft)
                                                 : iconv(handle_, &in, &inLeft, &out, &outLeft);
            const int error = errno;
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (result != static_cast<std::size_t>(-1)) {
                if (finishing) {
                    return output;
                }
                continue;
            }
            if (error == E2BIG) {
                continue;
            }
            if (error != EILSEQ && error != EINVAL) {
                throw std::runtime_error("code-page conversion failed: " + SysErrorMessage(error));
            }
            output.append(replacement);
            const std::size_t skip =
                error == EINVAL
                    ? inLeft
                    : std::clamp<std::size_t>(skipWidth(std::string_view(in, inLeft)), 1, inLeft);
            in += skip;
            inLeft -= skip;
        }
    }

private:
    iconv_t handle_;
};

std::string Utf16LeBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::u16string FromUtf16LeBytes(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
}

char16_t Utf16LeUnitAt(std::string_view bytes, std::size_t offset) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[offset]) |
                                 static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// A character the code page lacks: a surrogate pair is one character, anything else one
// UTF-16 unit.
std::size_t Utf16CharacterWidth(std::string_view rest) {
    constexpr std::size_t UnitBytes = 2;
    const bool isPair = rest.size() >= 2 * UnitBytes && IsHighSurrogate(Utf16LeUnitAt(rest, 0)) &&
                        IsLowSurrogate(Utf16LeUnitAt(rest, UnitBytes));
    return isPair ? 2 * UnitBytes : UnitBytes;
}

// A byte that starts no character of the code page.
std::size_t OneByte(std::string_view) {
    return 1;
}

std::string WideToIconv(std::u16string_view text, const std::string& codePageName) {
    if (text.empty()) {
        return {};
    }
    Iconv converter(codePageName, std::string(Utf16Name));
    std::string result;
    if (converter.IsOpen()) {
        result = converter.Convert(Utf16LeBytes(text), Utf16CharacterWidth,
                                   std::string_view(&UnmappableByte, 1));
    }
    // No output (a code page the system does not know): the process's own code page.
    return result.empty() ? Utf16ToUtf8(text) : result;
}

std::u16string IconvToWide(std::string_view bytes, const std::string& codePageName) {
    if (bytes.empty()) {
        return {};
    }
    Iconv converter(std::string(Utf16Name), codePageName);
    std::u16string result;
    if (converter.IsOpen()) {
        const std::string replacement = Utf16LeBytes(std::u16string_view(&ReplacementCharacter, 1));
        result = FromUtf16LeBytes(converter.Convert(bytes, OneByte, replacement));
    }
    return result.empty() ? Utf8ToUtf16(bytes) : result;
}

// Well-formed UTF-8: no stray continuation bytes, overlong forms, surrogates or values
// above U+10FFFF.
bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t minimum = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, minimum = 0x80, code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, minimum = 0x800, code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, minimum = 0x10000, code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// Byte strings of this process are UTF-8; bytes that are not came from a code-page source.
std::u16string ProcessBytesToWide(std::string_view bytes, int codePage) {
    return IsValidUtf8(bytes) ? Utf8ToUtf16(bytes) : IconvToWide(bytes, IconvName(codePage));
}

using StringConversion = Variant (*)(const Variant& text, int codePage);

Variant OleStrToProcessBytes(const Variant& text, int) {
    return Variant(Utf16ToUtf8(text.AsOleStr()));
}

Variant AnyStringToProcessBytes(const Variant& text, int codePage) {
    if (text.VType() == varOleStr) {
        return OleStrToProcessBytes(text, codePage);
    }
    return Variant(Utf16ToUtf8(Utf8ToUtf16(text.AsString())));
}

Variant AnyStringToOleStr(const Variant& text, int codePage) {
    if (text.VType() == varOleStr) {
        return text;
    }
    return Variant(ProcessBytesToWide(text.AsString(), codePage));
}

// Converts the OLE strings of an array: a one-dimensional array is walked into its nested
// arrays, a two-dimensional one is not; other dimensions are left alone.
void ConvertArrayStrings(Variant& array, StringConversion convert, int codePage, int depth) {
    VarArrayData* data = array.ArrayData();
    if (data == nullptr || depth > MaxArrayDepth) {
        return;
    }
    const int dimensions = data->DimCount();
    for (Variant& element : data->Elements()) {
        const TVarType kind = element.VType();
        if (dimensions == 1 && (kind & varArray) != 0 && (kind & varByRef) == 0) {
            ConvertArrayStrings(element, convert, codePage, depth + 1);
        } else if (dimensions <= 2 && kind == varOleStr) {
            element = convert(element, codePage);
        }
    }
}

Variant ConvertStrings(const Variant& value, StringConversion convertInArray,
                       StringConversion convertSingle, int codePage) {
    Variant result = value.Deref();
    if (VarIsArray(result)) {
        ConvertArrayStrings(result, convertInArray, codePage, 0);
    } else if (result.VType() == varOleStr || result.VType() == varString) {
        result = convertSingle(result, codePage);
    }
    return result;
}

void LogConversionFailure(std::string_view line, const std::exception& error) {
    WriteAlertLog("libstrs", std::string(line) + error.what(), "D");
}

} // namespace

std::string WideToCodePage(std::u16string_view text, int codePage) {
    return WideToIconv(text, IconvName(codePage));
}

std::string WideToCodePage(std::u16string_view text, std::string_view codePage) {
    return WideToIconv(text, IconvName(codePage));
}

std::u16string CodePageToWide(std::string_view bytes, int codePage) {
    return IconvToWide(bytes, IconvName(codePage));
}

std::u16string CodePageToWide(std::string_view bytes, std::string_view codePage) {
    return IconvToWide(bytes, IconvName(codePage));
}

// The code page names the language of the exchange; the byte strings of this process are
// UTF-8 whatever it is, so the conversion to them is lossless for every interface language.
Variant VarToCodePage(const Variant& value, int codePage) {
    try {
        return ConvertStrings(value, OleStrToProcessBytes, AnyStringToProcessBytes, codePage);
    } catch (const std::exception& error) {
        LogConversionFailure("LINE[2735] ", error);
        return value.Deref();
    }
}

Variant VarFromCodePage(const Variant& value, int codePage) {
    try {
        return ConvertStrings(value, AnyStringToOleStr, AnyStringToOleStr, codePage);
    } catch (const std::exception& error) {
        LogConversionFailure("LINE[115] ", error);
        return value.Deref();
    }
}
