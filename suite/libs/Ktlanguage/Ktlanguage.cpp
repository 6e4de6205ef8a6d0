#include "Ktlanguage.h"

#include <mutex>
#include <opencc/opencc.h>

namespace {

// One converter per direction, opened on first use and kept for the life of the library:
// loading a dictionary costs far more than a conversion.
class Converter {
public:
    explicit Converter(const char* config) : config_(config) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (handle_ != kInvalid)
            opencc_close(handle_);
    }

    std::string Convert(const std::string& text) {
        if (text.empty())
            return text;
        std::lock_guard lock(mutex_);
        if (!Open())
            return text;
        char* converted = opencc_convert_utf8(handle_, text.data(), text.size());
        if (converted == nullptr)
            return text;
        std::string result(converted);
        opencc_convert_utf8_free(converted);
        return result;
    }

private:
    static inline const opencc_t kInvalid = reinterpret_cast<opencc_t>(-1);

    bool Open() {
        if (handle_ == kInvalid && !failed_) {
            handle_ = opencc_open(config_);
            failed_ = handle_ == kInvalid;
        }
        return handle_ != kInvalid;
    }

    const char* config_;
    opencc_t handle_ = kInvalid;
    bool failed_ = false;
    std::mutex mutex_;
};

Converter& ToTraditional() {
    static Converter converter("s2tw.json");
    return converter;
}

Converter& ToSimplified() {
    static Converter converter("tw2s.json");
    return converter;
}

Converter& ToTraditionalCharacters() {
    static Converter converter("s2t.json");
    return converter;
}

Converter& ToSimplifiedCharacters() {
    static Converter converter("t2s.json");
    return converter;
}

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// Converts each character on its own, so no phrase table changes a neighbour.
std::string ConvertEachCharacter(Converter& converter, const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
        result += converter.Convert(text.substr(i, length));
        i += length;
    }
    return result;
}

template <class Work>
void Deliver(const std::string& text, std::string& result, Work work) noexcept {
    try {
        result = work();
    } catch (...) {
        try {
            result = text;
        } catch (...) {
        }
    }
}

} // namespace

extern "C" {

void GBtoBIG5(const std::string& text, std::string& result) {
    Deliver(text, result, [&] { return ToTraditional().Convert(text); });
}

void BIG5toGB(const std::string& text, std::string& result) {
    Deliver(text, result, [&] { return ToSimplified().Convert(text); });
}

void GetBIG5Data(const std::string& text, std::string& result) {
    Deliver(text, result, [&] { return ConvertEachCharacter(ToTraditionalCharacters(), text); });
}

void GetGBData(const std::string& text, std::string& result) {
    Deliver(text, result, [&] { return ConvertEachCharacter(ToSimplifiedCharacters(), text); });
}

int SaveOrder() {
    return 0;
}
}
