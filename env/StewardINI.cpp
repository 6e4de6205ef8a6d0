#include "StewardINI.h"

#include "AlertLog.h"
#include "IniFile.h"
#include "LibStrs.h"
#include "Registry.h"
#include "SysUtils.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::string_view DefaultProfileType = "0";
constexpr std::string_view DefaultUserName = "Default";
constexpr std::string_view ProfileFolder = "Profile/";
constexpr std::size_t MaxUserNameLength = 32;
constexpr int DefaultServerPort = 211;

constexpr std::string_view PasswordLocation = "DecodeSQLSa";
constexpr std::string_view PasswordProgrammerMessage = "解析 Sa 时发生错误!";

std::string NormaliseSeparators(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

std::string WithTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return result;
}

bool IsTrueText(std::string_view value) {
    const std::string upper = AsciiUpper(value);
    return upper == "1" || upper == "Y" || upper == "YES" || upper == "TRUE";
}

int CodePageNumber(std::string_view codePageText) {
    if (codePageText == CodePageTextGB) {
        return CodePageGB;
    }
    if (codePageText == CodePageTextBig5) {
        return CodePageBig5;
    }
    return CodePageEnglish;
}

// "zh_TW.UTF-8@euro" -> "zh_TW".
std::string_view LocaleLanguageAndTerritory(std::string_view locale) {
    return locale.substr(0, locale.find_first_of(".@"));
}

bool IsDriveLetterPath(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool IsNetworkPath(std::string_view path) {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// Cuts text to at most maxBytes without splitting a UTF-8 sequence.
std::string TruncateUtf8(std::string text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    text.resize(cut);
    return text;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The byte at 1-based position i is rotated by i mod 8 bits.
int RotationOf(std::size_t position) {
    return static_cast<int>(position % 8);
}

} // namespace

// ---- Free helpers ---------------------------------------------------------------------------

std::string SystemCodePageText() {
    const char* locale = nullptr;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    if (locale == nullptr) {
        return std::string(CodePageTextEnglish);
    }
    const std::string territory = AsciiUpper(LocaleLanguageAndTerritory(locale));
    if (territory == "ZH_CN" || territory == "ZH_SG") {
        return std::string(CodePageTextGB);
    }
    if (territory == "ZH_TW" || territory == "ZH_HK" || territory == "ZH_MO") {
        return std::string(CodePageTextBig5);
    }
    return std::string(CodePageTextEnglish);
}

std::string LogonUserName() {
    std::string name;
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr) {
        name = entry->pw_name;
    }
    if (name.empty()) {
        if (const char* login = getlogin(); login != nullptr) {
            name = login;
        }
    }
    if (name.empty()) {
        if (const char* user = std::getenv("USER"); user != nullptr) {
            name = user;
        }
    }
    return TruncateUtf8(std::move(name), MaxUserNameLength);
}

std::string ExpandWorkPath(std::string_view folder, std::string_view base) {
    if (IsNetworkPath(folder) || IsDriveLetterPath(folder) || folder.starts_with('/')) {
        return WithTrailingSeparator(NormaliseSeparators(folder));
    }
    if (folder.starts_with('\\')) {
        folder.remove_prefix(1);
    }
    return WithTrailingSeparator(std::string(base) + NormaliseSeparators(folder));
}

std::string EncodePassword(std::string_view text) {
    static constexpr char HexDigits[] = "0123456789abcdef";
    if (text.empty()) {
        text = EmptyPasswordMarker;
    }
    std::string stored;
    stored.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = std::rotr(static_cast<std::uint8_t>(text[i]), RotationOf(i + 1));
        stored += HexDigits[byte >> 4];
        stored += HexDigits[byte & 0x0F];
    }
    return stored;
}

std::string DecodePassword(std::string_view stored) {
    std::string decoded;
    decoded.reserve(stored.size() / 2);
    for (std::size_t i = 1; 2 * i <= stored.size(); ++i) {
        const int high = HexDigitValue(stored[2 * i - 2]);
        const int low = HexDigitValue(stored[2 * i - 1]);
        if (high < 0 || low < 0) {
            const EConvertError error("'" + std::string(stored.substr(2 * i - 2, 2)) +
                                      "' is not a valid hexadecimal number");
            WriteErrorReport(error, EncodePassword(PasswordLocation), PasswordProgrammerMessage);
            return std::string(PasswordErrorMarker);
        }
        const auto byte = static_cast<std::uint8_t>((high << 4) | low);
        decoded += static_cast<char>(std::rotl(byte, RotationOf(i)));
    }
    if (decoded == EmptyPasswordMarker) {
        return {};
    }
    return decoded;
}

// ---- TStewardIniBase ------------------------------------------------------------------------

TStewardIniBase::TStewardIniBase()
    : ProfileType(DefaultProfileType), UserName(DefaultUserName), UICodePage(CodePageTextGB),
      DBCodePage(CodePageTextGB), SysCodePage(SystemCodePageText()) {
    UICodePage = SysCodePage;
    ComputeConvertKinds();
}

TStewardIniBase::~TStewardIniBase() = default;

bool TStewardIniBase::Load() {
    Reset();
    if (!ReadRegistry()) {
        ErrorCode = ErrorNoRegistryKey;
        return false;
    }
    if (BaseFolder().empty()) {
        return false;
    }
    LocateIniFile();
    const TIniFile ini(IniFileName, CodePageNumber(SysCodePage));
    ReadKeys(ini);
    ComputeConvertKinds();
    ResolveWorkFolders();
    return FinishLoad();
}

void TStewardIniBase::Reset() {
    ErrorCode.clear();
    BaseFolder().clear();
    ProfilePath.clear();
    ProfileType = DefaultProfileType;
    UserName = DefaultUserName;
    DBCodePage = CodePageTextGB;
    SysCodePage = SystemCodePageText();
    UICodePage = SysCodePage;
    SupportCallBack = false;
    IniFileName.clear();
    WorkDLLPath.clear();
    workFolderLines_.clear();
    ProductVersion.clear();
    ResetOwnFields();
    ComputeConvertKinds();
}

bool TStewardIniBase::ReadRegistry() {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(StewardRegistryKey)) {
        return false;
    }
    const std::string base = registry.TryReadString(BaseFolderValueName()).value_or("");
    ProfileType = registry.TryReadString("ProfileType").value_or("");
    registry.CloseKey();
    BaseFolder() = base.empty() ? std::string() : WithTrailingSeparator(NormaliseSeparators(base));
    return true;
}

void TStewardIniBase::LocateIniFile() {
    ProfilePath = BaseFolder();
    if (!ProfileType.empty() && ProfileType != DefaultProfileType) {
        if (std::string logon = LogonUserName(); !logon.empty()) {
            UserName = std::move(logon);
        }
        ProfilePath = BaseFolder() + std::string(ProfileFolder) + UserName + "/";
    }
    IniFileName = ProfilePath + std::string(IniName());
    if (!FileExists(IniFileName)) {
        ProfilePath = BaseFolder();
        IniFileName = ProfilePath + std::string(IniName());
    }
}

void TStewardIniBase::ComputeConvertKinds() {
    UIConvertKind = ConvertKindNone;
    if (UICodePage == CodePageTextBig5) {
        UIConvertKind = ConvertKindGBToBig5;
    } else if (UICodePage == CodePageTextGB && SysCodePage == CodePageTextBig5) {
        UIConvertKind = ConvertKindGBOnBig5;
    }

    DBConvertKind = ConvertKindNone;
    if (UICodePage == CodePageTextBig5 && DBCodePage == CodePageTextGB) {
        DBConvertKind = ConvertKindGBToBig5;
    } else if (UICodePage == CodePageTextGB && DBCodePage == CodePageTextBig5) {
        DBConvertKind = ConvertKindBig5ToGB;
    }
}

// Each "name=value" line becomes the folder its name's first value names.
void TStewardIniBase::ResolveWorkFolders() {
    WorkDLLPath.clear();
    if (workFolderLines_.empty()) {
        WorkDLLPath.push_back(BaseFolder() + std::string(DefaultWorkFolder()));
        return;
    }
    for (const std::string& line : workFolderLines_) {
        const std::string_view value = std::string_view(line).substr(line.find('=') + 1);
        WorkDLLPath.push_back(ExpandWorkPath(value, BaseFolder()));
    }
}

// ---- TStewardIniC ---------------------------------------------------------------------------

TStewardIniC::TStewardIniC() {
    Load();
}

void TStewardIniC::ResetOwnFields() {
    LangType.clear();
    CreateGifBeforeSendEF.clear();
    AutoCheckNewMsg.clear();
    CheckInterval.clear();
    PopupMsg.clear();
    LoginCheck.clear();
    Servers.Clear();
    computerName_.clear();
    serverPort_ = DefaultServerPort;
}

void TStewardIniC::ReadKeys(const TIniFile& ini) {
    LangType = ini.ReadString("Client Components", "LangType", "ENG");
    ProductVersion = ini.ReadString("ProductVersion", "Version", "");
    CreateGifBeforeSendEF = ini.ReadString("UserDefine", "CreateGifBeforeSendEF", "Y");
    UICodePage = ini.ReadString("CodePage", "UICodePage", SysCodePage);
    DBCodePage = ini.ReadString("CodePage", "DBCodePage", CodePageTextGB);
    SupportCallBack = IsTrueText(ini.ReadString("Server Information", "SupportCallBack", "0"));
    computerName_ = ini.ReadString("Server Information", "ComputerName", "127.0.0.1");
    serverPort_ = ini.ReadInteger("Server Information", "ServerPort", DefaultServerPort);
    workFolderLines_ = ini.ReadSectionValues("WorkDLLPath");
    AutoCheckNewMsg = ini.ReadString("TaskMessageCenter Setting", "AutoCheckNewMsg", "1");
    CheckInterval = ini.ReadString("TaskMessageCenter Setting", "CheckInterval", "1");
    PopupMsg = ini.ReadString("TaskMessageCenter Setting", "PopupMsg", "1");
    LoginCheck = ini.ReadString("TaskMessageCenter Setting", "LoginCheck", "0");
}

// The server list: the names separated by ";" (one trailing ";" allowed), all on one port.
bool TStewardIniC::FinishLoad() {
    std::string_view names = TrimBlanks(computerName_);
    if (names.ends_with(';')) {
        names.remove_suffix(1);
    }
    if (names.empty()) {
        ErrorCode = ErrorNoServerName;
        return false;
    }
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        const auto end = names.find(';', start);
        pieces.push_back(names.substr(start, end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    const int count = static_cast<int>(pieces.size());
    Servers = VarArrayCreate({0, 1, 0, count - 1}, varVariant);
    for (int i = 0; i < count; ++i) {
        Servers.At(0, i) = Variant(std::string(pieces[i]));
        Servers.At(1, i) = Variant(serverPort_);
    }
    return true;
}

// ---- TStewardIniS ---------------------------------------------------------------------------

TStewardIniS::TStewardIniS() {
    Load();
}

void TStewardIniS::GetWorkDLLPaths(std::vector<std::string>& list) const {
    list = WorkDLLPath;
}

void TStewardIniS::ResetOwnFields() {
    DBSettings.Clear();
    MainDBKind = MainDBKindOther;
    SystemControlAddress.clear();
    OtherSystemControlAddress.clear();
}

void TStewardIniS::ReadKeys(const TIniFile& ini) {
    constexpr std::string_view Dbe = "DBE Setting";
    constexpr std::string_view Ctrl = "DBPasswordCtrl";
    DBSettings = VarArrayCreate({0, 3, 0, 7}, varVariant);
    auto set = [this](int row, int column, Variant value) {
        DBSettings.At(row, column) = std::move(value);
    };
    auto text = [&ini](std::string_view section, std::string_view key, std::string_view fallback) {
        return Variant(ini.ReadString(section, key, fallback));
    };

    ProductVersion = ini.ReadString("ProductVersion", "Version", "");
    UICodePage = ini.ReadString("CodePage", "UICodePage", SysCodePage);
    DBCodePage = ini.ReadString("CodePage", "DBCodePage", CodePageTextGB);

    set(MainDatabase, 1, text(Dbe, "MainUserName", "sa"));
    set(MainDatabase, 2, Variant(DecodePassword(ini.ReadString(Dbe, "XXXXXX", ""))));
    set(MainDatabase, 0, text(Dbe, "MainAlias", "Tavrin"));
    set(MainDatabase, 3, text(Dbe, "MainDBType", "MSSQL"));
    set(MainDatabase, 4, text(Dbe, "MainDBName", ""));
    const std::string mainServer = ini.ReadString(Dbe, "MainServerName", "");
    set(MainDatabase, 5, Variant(mainServer));
    SystemControlAddress = ini.ReadString(Dbe, "SystemControlAddress", "");
    if (TrimBlanks(SystemControlAddress).empty()) {
        SystemControlAddress = mainServer;
    }
    OtherSystemControlAddress = ini.ReadString(Dbe, "OtherSystemControlAddress", "");
    if (TrimBlanks(OtherSystemControlAddress).empty()) {
        OtherSystemControlAddress = mainServer;
    }
    set(MainDatabase, 6, Variant(ini.ReadInteger(Dbe, "MainConnectionTimeOut", 300)));
    set(MainDatabase, 7, Variant(ini.ReadInteger(Dbe, "MainCommandTimeOut", 3000)));

    set(TempDatabase, 0, text(Dbe, "TempAlias", "TavrinTemp"));
    set(TempDatabase, 1, text(Dbe, "TempUserName", "sa"));
    set(TempDatabase, 2, Variant(DecodePassword(ini.ReadString(Dbe, "TempPassword", ""))));
    set(TempDatabase, 3, text(Dbe, "TempDBType", "PARADOX"));
    set(TempDatabase, 4, text(Dbe, "TempDBName", ""));
    set(TempDatabase, 5, text(Dbe, "TempDriverName", "PostgreSQL"));
    set(TempDatabase, 6, Variant(ini.ReadInteger(Dbe, "TempConnectionTimeOut", 300)));
    set(TempDatabase, 7, Variant(ini.ReadInteger(Dbe, "TempCommandTimeOut", 3000)));

    set(PasswordControl, 0,
        Variant(std::string(TrimBlanks(ini.ReadString(Ctrl, "ComputerName", "")))));
    set(PasswordControl, 1, Variant(ini.ReadInteger(Ctrl, "ServerPort", DefaultServerPort)));
    set(PasswordControl, 2, Variant(ini.ReadInteger(Ctrl, "ClientSocketPort", 1024)));
    SupportCallBack = IsTrueText(ini.ReadString(Ctrl, "SupportCallBack", "0"));
    set(PasswordControl, 3, text(Dbe, "DataBaseCodeOrder", "Chinese_Taiwan_Stroke_BIN"));

    set(EctDatabase, 0, text(Dbe, "EctAlias", "EDIDATA"));
    set(EctDatabase, 1, text(Dbe, "EctUserName", "sa"));
    set(EctDatabase, 2, text(Dbe, "EctPassword", ""));

    workFolderLines_ = ini.ReadSectionValues("WorkDLLPath");

    const std::string dbType = AsciiUpper(DBSettings.At(MainDatabase, 3).AsString());
    MainDBKind = dbType == "ORACLE" ? MainDBKindOracle
                 : dbType == "DB2"  ? MainDBKindDB2
                                    : MainDBKindOther;
}
