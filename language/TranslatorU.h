// Binding of the suite's translator library, which converts UTF-8 text between the
// simplified (GB) and traditional (Big5) character forms.
#pragma once

#include "Library.h"

#include <string>
#include <string_view>

class TTranslator {
public:
    // The name the suite gives the library; loaded through the platform's library search.
    static constexpr std::string_view kLibraryName = "Ktlanguage.dll";

    // Loads the library and its functions; raises Exception when the library or one of the
    // two conversion functions is missing (the library is unloaded again).
    explicit TTranslator(std::string libraryName = std::string(kLibraryName));
    ~TTranslator();
    TTranslator(const TTranslator&) = delete;
    TTranslator& operator=(const TTranslator&) = delete;

    // Does nothing when the library is already loaded.
    void LoadLibraryFunctions();

    // The text unchanged when the function is missing.
    std::string BIG5ToGB(const std::string& text) const;
    std::string GBToBIG5(const std::string& text) const;

    bool IsLoaded() const { return library_ != nullptr; }

private:
    // The exported functions take the input and deliver the result through a variable.
    using ConvertFn = void (*)(const std::string& text, std::string& result);
    using DataFn = void (*)(const std::string& text, std::string& result);
    using SaveOrderFn = int (*)();

    void Unload() noexcept;

    std::string libraryName_;
    HMODULE library_ = nullptr;
    ConvertFn gbToBig5_ = nullptr;
    ConvertFn big5ToGb_ = nullptr;
    DataFn getBig5Data_ = nullptr;
    DataFn getGbData_ = nullptr;
    SaveOrderFn saveOrder_ = nullptr;
};
