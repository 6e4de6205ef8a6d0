#include "TranslatorU.h"

#include "DateUtils.h"
#include "SysUtils.h"

namespace {

template <class Fn> Fn LookUp(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(GetProcAddress(library, name));
}

std::string Convert(void (*fn)(const std::string&, std::string&), const std::string& text) {
    if (fn == nullptr)
        return text;
    std::string result;
    fn(text, result);
    return result;
}

} // namespace

TTranslator::TTranslator(std::string libraryName) : libraryName_(std::move(libraryName)) {
    LoadLibraryFunctions();
}

TTranslator::~TTranslator() {
    Unload();
}

void TTranslator::LoadLibraryFunctions() {
    if (library_ != nullptr)
        return;
    library_ = LoadLibrary(libraryName_);
    if (library_ == nullptr)
        throw Exception(Format("Load Library %s Error!", LibraryFileName(libraryName_).c_str()));

    gbToBig5_ = LookUp<ConvertFn>(library_, "GBtoBIG5");
    big5ToGb_ = LookUp<ConvertFn>(library_, "BIG5toGB");
    getBig5Data_ = LookUp<DataFn>(library_, "GetBIG5Data");
    getGbData_ = LookUp<DataFn>(library_, "GetGBData");
    saveOrder_ = LookUp<SaveOrderFn>(library_, "SaveOrder");
    if (gbToBig5_ == nullptr || big5ToGb_ == nullptr) {
        Unload();
        throw Exception("Get Library Procedure Address Error!");
    }
}

std::string TTranslator::BIG5ToGB(const std::string& text) const {
    return Convert(big5ToGb_, text);
}

std::string TTranslator::GBToBIG5(const std::string& text) const {
    return Convert(gbToBig5_, text);
}

void TTranslator::Unload() noexcept {
    if (library_ != nullptr)
        FreeLibrary(library_);
    library_ = nullptr;
    gbToBig5_ = big5ToGb_ = nullptr;
    getBig5Data_ = getGbData_ = nullptr;
    saveOrder_ = nullptr;
}
