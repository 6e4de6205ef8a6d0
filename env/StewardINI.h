// The client shell's configuration, read and never written: the registry key
// HKEY_LOCAL_MACHINE "Software\KTW\Steward" tells where the shell is installed, and the
// configuration file beside it ("StewardC.ini" for the client, "StewardS.ini" for the
// server) holds the settings. Creating an object reads everything at once; callers take the
// fields they need and drop the object, so every new object sees the files as they are now.
//
// Folders use "/" as separator and end with "/". Configuration values may be written
// Windows-style with "\"; they are normalised when read (see ExpandWorkPath).
#pragma once

#include "Variant.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TIniFile;

inline constexpr std::string_view StewardRegistryKey = "Software\\KTW\\Steward";

// Message codes of a failed load.
inline constexpr std::string_view ErrorNoRegistryKey = "E;000015";
inline constexpr std::string_view ErrorNoServerName = "E;000016";

// Code-page texts.
inline constexpr std::string_view CodePageTextGB = "936";
inline constexpr std::string_view CodePageTextBig5 = "950";
inline constexpr std::string_view CodePageTextEnglish = "437";

// How texts are converted between the code pages in force.
inline constexpr std::uint8_t ConvertKindNone = 0;
inline constexpr std::uint8_t ConvertKindBig5ToGB = 1;
inline constexpr std::uint8_t ConvertKindGBToBig5 = 2;
inline constexpr std::uint8_t ConvertKindGBOnBig5 = 4; // GB text on a Big5 system: fonts only

// TStewardIniS::MainDBKind.
inline constexpr std::uint8_t MainDBKindOther = 0;
inline constexpr std::uint8_t MainDBKindOracle = 1;
inline constexpr std::uint8_t MainDBKindDB2 = 2;

// What a stored password deciphers to when it is not valid hexadecimal, and what an empty
// password is enciphered from.
inline constexpr std::string_view PasswordErrorMarker = "KT_Say_Password_Error";
inline constexpr std::string_view EmptyPasswordMarker = "KT_Say_NoPassWord_ThePassWordIsEmpty";

// The fields and loading logic both configurations share.
class TStewardIniBase {
public:
    virtual ~TStewardIniBase();
    TStewardIniBase(const TStewardIniBase&) = delete;
    TStewardIniBase& operator=(const TStewardIniBase&) = delete;

    // Reads the registry and the configuration file afresh; true when everything was read.
    // ErrorCode tells why a load failed, when it has a message for it.
    bool Load();

    std::string ProfilePath; // folder in which the configuration file was looked for
    std::string ProfileType; // registry ProfileType: "0"/"" one file, else per-user files
    std::string UserName;    // the log-on name when per-user files are in use
    std::string UICodePage;
    std::string DBCodePage;
    std::string SysCodePage; // from the locale: "936", "950" or "437"
    std::uint8_t UIConvertKind = ConvertKindNone;
    std::uint8_t DBConvertKind = ConvertKindNone;
    bool SupportCallBack = false;
    std::string IniFileName;
    std::string ErrorCode;
    std::vector<std::string> WorkDLLPath; // absolute work folders
    std::string ProductVersion;

protected:
    TStewardIniBase();

    // The installation folder field (ClientPath or ServerPath) and where it comes from.
    virtual std::string& BaseFolder() = 0;
    virtual std::string_view BaseFolderValueName() const = 0;
    virtual std::string_view IniName() const = 0;
    // The work folder below the base folder when the file names none, e.g. "C_PKG/".
    virtual std::string_view DefaultWorkFolder() const = 0;
    // Puts the fields of the derived class back to their state before loading.
    virtual void ResetOwnFields() = 0;
    // Reads the derived class's keys, in the order of its file table.
    virtual void ReadKeys(const TIniFile& ini) = 0;
    // The last step of a load that reached the file; false fails the load.
    virtual bool FinishLoad() { return true; }

    // The raw "name=value" lines of the "WorkDLLPath" section, set by ReadKeys.
    std::vector<std::string> workFolderLines_;

private:
    void Reset();
    bool ReadRegistry();
    void LocateIniFile();
    void ComputeConvertKinds();
    void ResolveWorkFolders();
};

// The client configuration ("StewardC.ini" below the registry value ClientPath).
class TStewardIniC : public TStewardIniBase {
public:
    TStewardIniC(); // loads at once; the result shows in ErrorCode and the fields

    std::string ClientPath;
    std::string LangType;
    std::string CreateGifBeforeSendEF;
    std::string AutoCheckNewMsg;
    std::string CheckInterval;
    std::string PopupMsg;
    std::string LoginCheck;
    // Application servers: [0, i] name or address (text), [1, i] port (integer); empty
    // until a load builds it.
    Variant Servers;

protected:
    std::string& BaseFolder() override { return ClientPath; }
    std::string_view BaseFolderValueName() const override { return "ClientPath"; }
    std::string_view IniName() const override { return "StewardC.ini"; }
    std::string_view DefaultWorkFolder() const override { return "C_PKG/"; }
    void ResetOwnFields() override;
    void ReadKeys(const TIniFile& ini) override;
    bool FinishLoad() override;

private:
    std::string computerName_;
    int serverPort_ = 0;
};

// The server configuration ("StewardS.ini" below the registry value ServerPath).
class TStewardIniS : public TStewardIniBase {
public:
    // Rows of DBSettings.
    static constexpr int MainDatabase = 0;
    static constexpr int TempDatabase = 1;
    static constexpr int PasswordControl = 2;
    static constexpr int EctDatabase = 3;

    TStewardIniS(); // loads at once

    // Replaces the contents of list with WorkDLLPath.
    void GetWorkDLLPaths(std::vector<std::string>& list) const;

    std::string ServerPath;
    // Database settings, [0..3, 0..7]; empty until a load reaches the file.
    Variant DBSettings;
    std::uint8_t MainDBKind = MainDBKindOther;
    std::string SystemControlAddress;
    std::string OtherSystemControlAddress;

protected:
    std::string& BaseFolder() override { return ServerPath; }
    std::string_view BaseFolderValueName() const override { return "ServerPath"; }
    std::string_view IniName() const override { return "StewardS.ini"; }
    std::string_view DefaultWorkFolder() const override { return "S_PKG/"; }
    void ResetOwnFields() override;
    void ReadKeys(const TIniFile& ini) override;
};

// The system code page from the locale (LC_ALL, LC_CTYPE, LANG): "936" for zh_CN and
// zh_SG, "950" for zh_TW, zh_HK and zh_MO, "437" for anything else.
std::string SystemCodePageText();

// The log-on name of the user running the process (at most 32 bytes); "" when unknown.
std::string LogonUserName();

// A configuration folder value made absolute against base (a folder ending in "/"). The
// result uses "/" and ends with "/". How a value is read:
//   "//server/share", "\\server\share"  network path: kept
//   "/opt/pkg"                          Linux absolute path: kept
//   "D:\pkg", "D:/pkg"                  Windows drive path: kept as written ("D:/pkg/"); it
//                                       names no folder on Linux and is simply not found
//   "\sub"                              below the base folder: base + "sub/"
//   "rel", "" (and anything else)       relative to the base folder: base + "rel/"
// A leading "/" is a Linux absolute path while a leading single "\" means "below the base",
// so the separator the value was written with decides.
std::string ExpandWorkPath(std::string_view folder, std::string_view base);

// Stored passwords: two lower-case hexadecimal digits per byte, byte i (from 1) rotated
// right by i mod 8 bits; the empty password is stored as EmptyPasswordMarker.
// DecodePassword(EncodePassword(t)) == t for every byte string t except the marker itself.
std::string EncodePassword(std::string_view text);
// A trailing odd digit is ignored. A pair that is not hexadecimal gives PasswordErrorMarker
// and writes an error report to the generator log.
std::string DecodePassword(std::string_view stored);
