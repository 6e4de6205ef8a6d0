// Which installation's configuration a language component reads: the client's
// ("StewardC.ini") or the server's ("StewardS.ini").
#pragma once

#include "TypInfo.h"

#include <string>

enum TDesignType { dtClient, dtServer };

// The enumeration as published properties register it.
const TTypeInfo& DesignTypeInfo();

// The code pages and the installation folder of the configuration a design type selects.
struct TLanguageSettings {
    std::string BaseFolder; // ends with "/" once configured; "" when not configured
    std::string SysCodePage = "936";
    std::string UICodePage = "936";
    std::string DBCodePage = "936";
    std::uint8_t UIConvertKind = 0;
    std::uint8_t DBConvertKind = 0;
};

// Reads the configuration afresh (the objects are made and dropped for this one read).
TLanguageSettings ReadLanguageSettings(TDesignType designType);
