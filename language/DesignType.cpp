#include "DesignType.h"

#include "StewardINI.h"

const TTypeInfo& DesignTypeInfo() {
    static const TTypeInfo info = MakeEnumType("TDesignType", {"dtClient", "dtServer"});
    return info;
}

namespace {

template <class Ini> TLanguageSettings CopySettings(const Ini& ini, const std::string& base) {
    TLanguageSettings s;
    s.BaseFolder = base;
    s.SysCodePage = ini.SysCodePage;
    s.UICodePage = ini.UICodePage;
    s.DBCodePage = ini.DBCodePage;
    s.UIConvertKind = ini.UIConvertKind;
    s.DBConvertKind = ini.DBConvertKind;
    return s;
}

} // namespace

TLanguageSettings ReadLanguageSettings(TDesignType designType) {
    if (designType == dtServer) {
        const TStewardIniS ini;
        return CopySettings(ini, ini.ServerPath);
    }
    const TStewardIniC ini;
    return CopySettings(ini, ini.ClientPath);
}
