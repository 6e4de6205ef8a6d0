// A temporary client installation for the language tests: a registry file naming it, its
// StewardC.ini with the code pages, a system locale, and language files in any encoding.
#pragma once

#include "LibStrs.h"
#include "Variant.h"
#include "core_test_support.h"

#include <optional>
#include <string>

namespace langtest {

using coretest::ScopedEnv;
using coretest::ScopedRegistry;
using coretest::TempDir;

// The locale LANG value that gives each system code page.
inline const char* SystemLocale(const std::string& sysCodePage) {
    if (sysCodePage == "936")
        return "zh_CN.UTF-8";
    if (sysCodePage == "950")
        return "zh_TW.UTF-8";
    return "C.UTF-8";
}

class Installation {
public:
    Installation(const std::string& sysCodePage, const std::string& uiCodePage,
                 const std::string& dbCodePage = "936")
        : lang_("LANG", SystemLocale(sysCodePage)) {
        registry_.emplace("[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\nClientPath=" + Base() +
                          "\n");
        dir_.Write("app/StewardC.ini",
                   "[CodePage]\nUICodePage=" + uiCodePage + "\nDBCodePage=" + dbCodePage + "\n");
    }

    std::string Base() const { return dir_.Path().string() + "/app/"; }

    // A language file, its UTF-8 text written in the named encoding ("UTF-8", "GB2312",
    // "Big5") with a declaration saying so.
    std::string WriteLng(const std::string& languageCode, const std::string& className,
                         const std::string& body, const std::string& encoding = "UTF-8") const {
        std::string text = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n" + body;
        if (encoding == "GB2312")
            text = WideToCodePage(Utf8ToUtf16(text), 936);
        else if (encoding == "Big5")
            text = WideToCodePage(Utf8ToUtf16(text), 950);
        return dir_.Write("app/MultiLanguage/" + languageCode + "/" + className + ".Lng", text);
    }
    // An empty language folder, so it exists.
    void MakeLanguageFolder(const std::string& languageCode) const {
        dir_.Write("app/MultiLanguage/" + languageCode + "/.keep", "");
    }

private:
    TempDir dir_;
    ScopedEnv lcAll_{"LC_ALL", std::nullopt};
    ScopedEnv lcCtype_{"LC_CTYPE", std::nullopt};
    ScopedEnv lang_;
    std::optional<ScopedRegistry> registry_;
};

} // namespace langtest
