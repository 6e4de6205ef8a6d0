// The client and server configuration, loaded from a real registry file and real
// configuration files in a temporary installation folder.
#include "AlertLog.h"
#include "StewardINI.h"
#include "core_test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using coretest::ScopedEnv;
using coretest::ScopedRegistry;
using coretest::TempDir;

constexpr std::string_view KeyHeader = "[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\n";

class StewardIniTest : public ::testing::Test {
protected:
    // An installation folder; "base" is how the loaded objects name it.
    void InstallRegistry(const std::string& values) {
        registry_.emplace(std::string(KeyHeader) + values);
    }
    void InstallClient(const std::string& iniText = {}) {
        InstallRegistry("ClientPath=" + installDir_ + "\n");
        if (!iniText.empty()) {
            WriteFile("StewardC.ini", iniText);
        }
    }
    void InstallServer(const std::string& iniText = {}) {
        InstallRegistry("ServerPath=" + installDir_ + "\n");
        if (!iniText.empty()) {
            WriteFile("StewardS.ini", iniText);
        }
    }
    void WriteFile(const std::string& relative, const std::string& text) {
        dir_.Write("app/" + relative, text);
    }
    static std::vector<std::string> ServerNames(const TStewardIniC& ini) {
        std::vector<std::string> names;
        if (VarIsArray(ini.Servers)) {
            for (int i = 0; i <= VarArrayHighBound(ini.Servers, 2); ++i) {
                names.push_back(ini.Servers.At(0, i).AsString());
            }
        }
        return names;
    }

    TempDir dir_;
    const std::string installDir_ = dir_.Path().string() + "/app";
    const std::string base_ = installDir_ + "/";
    ScopedEnv lcAll_{"LC_ALL", std::nullopt};
    ScopedEnv lcCtype_{"LC_CTYPE", std::nullopt};
    ScopedEnv lang_{"LANG", "C.UTF-8"};
    ScopedEnv tmp_{"TMPDIR", dir_.Path().string()};
    std::optional<ScopedRegistry> registry_;
};

// ---- Failed loads ---------------------------------------------------------------------------

TEST_F(StewardIniTest, WithoutTheRegistryKeyOnlyTheSystemCodePageIsKnown) {
    ScopedEnv big5System("LANG", "zh_TW.UTF-8");
    struct Case {
        std::string name;
        std::optional<std::string> registryText; // nullopt: no registry file at all
    };
    const std::vector<Case> cases{
        {"no registry file", std::nullopt},
        {"another key only", "[HKEY_LOCAL_MACHINE\\Software\\Other]\nClientPath=/x\n"},
        {"key under another root", "[HKEY_CURRENT_USER\\Software\\KTW\\Steward]\nClientPath=/x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<ScopedEnv> noFile;
        registry_.reset();
        if (c.registryText) {
            registry_.emplace(*c.registryText);
        } else {
            noFile.emplace("STEWARD_REGISTRY", dir_.Path().string() + "/no-registry.ini");
            ReloadRegistry();
        }
        TStewardIniC client;
        EXPECT_FALSE(client.Load());
        EXPECT_EQ(client.ErrorCode, "E;000015");
        EXPECT_EQ(client.ClientPath, "");
        EXPECT_EQ(client.SysCodePage, "950");
        EXPECT_EQ(client.UICodePage, "950");
        EXPECT_EQ(client.DBCodePage, "936");
        EXPECT_EQ(client.UIConvertKind, ConvertKindGBToBig5);
        EXPECT_EQ(client.DBConvertKind, ConvertKindGBToBig5);
        EXPECT_TRUE(VarIsEmpty(client.Servers));
        EXPECT_TRUE(client.WorkDLLPath.empty());

        TStewardIniS server;
        EXPECT_EQ(server.ErrorCode, "E;000015");
        EXPECT_TRUE(VarIsEmpty(server.DBSettings));
    }
}

TEST_F(StewardIniTest, AnEmptyBaseFolderFailsWithoutAMessage) {
    for (const char* values : {"ClientPath=\nServerPath=\n", "ProfileType=0\n"}) {
        InstallRegistry(values);
        TStewardIniC client;
        EXPECT_FALSE(client.Load()) << values;
        EXPECT_EQ(client.ErrorCode, "") << values;
        EXPECT_EQ(client.IniFileName, "") << values;
        TStewardIniS server;
        EXPECT_FALSE(server.Load()) << values;
        EXPECT_EQ(server.ErrorCode, "") << values;
    }
}

// ---- Client ---------------------------------------------------------------------------------

TEST_F(StewardIniTest, AMissingClientFileGivesEveryDefault) {
    InstallClient();
    TStewardIniC client;
    ASSERT_TRUE(client.Load());
    EXPECT_EQ(client.ErrorCode, "");
    EXPECT_EQ(client.ClientPath, base_);
    EXPECT_EQ(client.ProfilePath, base_);
    EXPECT_EQ(client.IniFileName, base_ + "StewardC.ini");
    EXPECT_EQ(client.ProfileType, "");
    EXPECT_EQ(client.UserName, "Default");
    EXPECT_EQ(client.LangType, "ENG");
    EXPECT_EQ(client.ProductVersion, "");
    EXPECT_EQ(client.CreateGifBeforeSendEF, "Y");
    EXPECT_EQ(client.SysCodePage, "437");
    EXPECT_EQ(client.UICodePage, "437");
    EXPECT_EQ(client.DBCodePage, "936");
    EXPECT_EQ(client.UIConvertKind, ConvertKindNone);
    EXPECT_EQ(client.DBConvertKind, ConvertKindNone);
    EXPECT_FALSE(client.SupportCallBack);
    EXPECT_EQ(ServerNames(client), std::vector<std::string>{"127.0.0.1"});
    EXPECT_EQ(client.Servers.At(1, 0).AsInteger(), 211);
    EXPECT_EQ(client.WorkDLLPath, std::vector<std::string>{base_ + "C_PKG/"});
    EXPECT_EQ(client.AutoCheckNewMsg, "1");
    EXPECT_EQ(client.CheckInterval, "1");
    EXPECT_EQ(client.PopupMsg, "1");
    EXPECT_EQ(client.LoginCheck, "0");
}

TEST_F(StewardIniTest, TheClientFileIsReadKeyByKey) {
    InstallClient("[Client Components]\nLangType=CHT\n"
                  "[ProductVersion]\nVersion=9.1\n"
                  "[UserDefine]\nCreateGifBeforeSendEF=N\n"
                  "[CodePage]\nUICodePage=950\nDBCodePage=936\n"
                  "[Server Information]\nSupportCallBack=yes\nComputerName=srv1\n"
                  "ServerPort=2000\n"
                  "[TaskMessageCenter Setting]\nAutoCheckNewMsg=0\nCheckInterval=5\n"
                  "PopupMsg=0\nLoginCheck=1\n");
    TStewardIniC client;
    ASSERT_TRUE(client.Load());
    EXPECT_EQ(client.LangType, "CHT");
    EXPECT_EQ(client.ProductVersion, "9.1");
    EXPECT_EQ(client.CreateGifBeforeSendEF, "N");
    EXPECT_EQ(client.UIConvertKind, ConvertKindGBToBig5);
    EXPECT_EQ(client.DBConvertKind, ConvertKindGBToBig5);
    EXPECT_TRUE(client.SupportCallBack);
    EXPECT_EQ(ServerNames(client), std::vector<std::string>{"srv1"});
    EXPECT_EQ(client.Servers.At(1, 0).AsInteger(), 2000);
    EXPECT_EQ(client.AutoCheckNewMsg, "0");
    EXPECT_EQ(client.CheckInterval, "5");
    EXPECT_EQ(client.PopupMsg, "0");
    EXPECT_EQ(client.LoginCheck, "1");
}

TEST_F(StewardIniTest, CodePagesComeFromTheLocaleAndTheFile) {
    struct Case {
        std::string lcAll, lang, codePageSection;
        std::string sys, ui, db;
        std::uint8_t uiKind, dbKind;
    };
    const std::vector<Case> cases{
        {"", "en_US.UTF-8", "", "437", "437", "936", 0, 0},
        {"", "", "", "437", "437", "936", 0, 0},
        {"", "zh_TW.UTF-8", "UICodePage=936\n", "950", "936", "936", 4, 0},
        {"", "zh_TW.Big5", "UICodePage=950\nDBCodePage=936\n", "950", "950", "936", 2, 2},
        {"", "zh_CN.UTF-8", "UICodePage=936\nDBCodePage=950\n", "936", "936", "950", 0, 1},
        {"", "zh_HK.UTF-8", "", "950", "950", "936", 2, 2},
        {"", "zh_MO", "DBCodePage=950\n", "950", "950", "950", 2, 0},
        {"", "zh_SG.GB18030", "DBCodePage=950\n", "936", "936", "950", 0, 1},
        {"zh_CN.UTF-8", "zh_TW.UTF-8", "", "936", "936", "936", 0, 0},
        {"", "ja_JP.UTF-8", "UICodePage=932\n", "437", "932", "936", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lcAll + " / " + c.lang + " / " + c.codePageSection);
        ScopedEnv lcAll("LC_ALL", c.lcAll);
        ScopedEnv lang("LANG", c.lang);
        InstallClient("[CodePage]\n" + c.codePageSection);
        TStewardIniC client;
        EXPECT_EQ(client.SysCodePage, c.sys);
        EXPECT_EQ(client.UICodePage, c.ui);
        EXPECT_EQ(client.DBCodePage, c.db);
        EXPECT_EQ(client.UIConvertKind, c.uiKind);
        EXPECT_EQ(client.DBConvertKind, c.dbKind);
    }
}

TEST_F(StewardIniTest, CallBackSupportIsOneOfFourWordsInAnyCase) {
    const std::vector<std::pair<std::string, bool>> cases{
        {"1", true},  {"y", true},   {"Yes", true}, {"true", true}, {"TRUE", true},
        {"0", false}, {"no", false}, {"on", false}, {"", false},    {"yes please", false},
    };
    for (const auto& [value, expected] : cases) {
        InstallClient("[Server Information]\nSupportCallBack=" + value + "\n");
        EXPECT_EQ(TStewardIniC().SupportCallBack, expected) << value;
    }
}

TEST_F(StewardIniTest, TheServerListIsCutAtEachSemicolon) {
    struct Case {
        std::string computerName;
        std::vector<std::string> names; // empty: the load fails with E;000016
    };
    const std::vector<Case> cases{
        {"ComputerName=10.0.0.1;10.0.0.2;", {"10.0.0.1", "10.0.0.2"}},
        {"ComputerName=a;;b", {"a", "", "b"}},
        {"ComputerName= a ; b ", {"a ", " b"}},
        {"ComputerName=a;;", {"a", ""}},
        {"ComputerName=主机", {"主机"}},
        {"ComputerName=", {}},
        {"ComputerName=;", {}},
        {"ComputerName=\" \"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.computerName);
        InstallClient("[CodePage]\nUICodePage=950\n[Server Information]\n" + c.computerName +
                      "\nServerPort=2000\n[WorkDLLPath]\np=pkg\n");
        TStewardIniC client;
        EXPECT_EQ(client.Load(), !c.names.empty());
        EXPECT_EQ(ServerNames(client), c.names);
        for (int i = 0; i < static_cast<int>(c.names.size()); ++i) {
            EXPECT_EQ(client.Servers.At(1, i).AsInteger(), 2000);
            EXPECT_EQ(VarType(client.Servers.At(1, i)), varInteger);
        }
        // The settings read before the failure stay valid, work folders included.
        EXPECT_EQ(client.ErrorCode, c.names.empty() ? "E;000016" : "");
        EXPECT_EQ(client.UICodePage, "950");
        EXPECT_EQ(client.WorkDLLPath, std::vector<std::string>{base_ + "pkg/"});
    }
}

TEST_F(StewardIniTest, PerUserProfilesAreFoundByTheLogOnName) {
    const passwd* user = getpwuid(geteuid());
    ASSERT_NE(user, nullptr);
    const std::string logon = user->pw_name;
    ASSERT_EQ(LogonUserName(), logon);
    const std::string userFolder = base_ + "Profile/" + logon + "/";

    struct Case {
        std::string profileType;
        bool userFileExists;
        std::string userName, profilePath, langType;
    };
    const std::vector<Case> cases{
        {"1", true, logon, userFolder, "CHT"},
        {"1", false, logon, base_, "ENG"},
        {"0", true, "Default", base_, "ENG"},
        {"", true, "Default", base_, "ENG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ProfileType " + c.profileType + (c.userFileExists ? " with" : " without") +
                     " a user file");
        std::filesystem::remove_all(base_ + "Profile");
        InstallRegistry("ClientPath=" + base_ + "\nProfileType=" + c.profileType + "\n");
        WriteFile("StewardC.ini", "[Client Components]\nLangType=ENG\n");
        if (c.userFileExists) {
            WriteFile("Profile/" + logon + "/StewardC.ini", "[Client Components]\nLangType=CHT\n");
        }
        TStewardIniC client;
        EXPECT_TRUE(client.Load());
        EXPECT_EQ(client.ProfileType, c.profileType);
        EXPECT_EQ(client.UserName, c.userName);
        EXPECT_EQ(client.ProfilePath, c.profilePath);
        EXPECT_EQ(client.IniFileName, c.profilePath + "StewardC.ini");
        EXPECT_EQ(client.LangType, c.langType);
    }
}

TEST_F(StewardIniTest, WorkFoldersWrittenForWindowsOrLinuxBecomeAbsolute) {
    // The registry value is written with "\" and without its final separator.
    std::string windowsStyleBase = installDir_;
    std::replace(windowsStyleBase.begin(), windowsStyleBase.end(), '/', '\\');
    InstallRegistry("ClientPath=" + windowsStyleBase + "\n");
    WriteFile("StewardC.ini", "[WorkDLLPath]\n"
                              "drive=D:\\pkg\n"
                              "below=\\sub\n"
                              "relative=rel\n"
                              "nested=rel\\deep\\\n"
                              "share=\\\\server\\share\\x\n"
                              "linux=/opt/steward/pkg\n"
                              "empty=\n"
                              "not a folder line\n"
                              "DRIVE=E:\\ignored\n");
    TStewardIniC client;
    ASSERT_TRUE(client.Load());
    EXPECT_EQ(client.ClientPath, base_);
    EXPECT_EQ(client.WorkDLLPath,
              (std::vector<std::string>{
                  "D:/pkg/", base_ + "sub/", base_ + "rel/", base_ + "rel/deep/",
                  "//server/share/x/", "/opt/steward/pkg/", base_,
                  "D:/pkg/", // a repeated name takes its first value
              }));
}

TEST(ExpandWorkPath, FoldersResolveAgainstTheBaseFolder) {
    struct Case {
        std::string folder, base, expected;
    };
    const std::vector<Case> cases{
        {"D:\\pkg", "C:/app/", "D:/pkg/"},
        {"\\sub", "C:/app/", "C:/app/sub/"},
        {"rel", "C:/app/", "C:/app/rel/"},
        {"d:/pkg/", "/opt/app/", "d:/pkg/"},
        {"\\\\srv\\share", "/opt/app/", "//srv/share/"},
        {"//srv/share/", "/opt/app/", "//srv/share/"},
        {"/usr/lib/steward", "/opt/app/", "/usr/lib/steward/"},
        {"\\", "/opt/app/", "/opt/app/"},
        {"", "/opt/app/", "/opt/app/"},
        {"1:x", "/opt/app/", "/opt/app/1:x/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExpandWorkPath(c.folder, c.base), c.expected) << c.folder;
    }
}

TEST_F(StewardIniTest, AClientFileInTheSystemCodePageIsDecoded) {
    ScopedEnv gbSystem("LANG", "zh_CN.GBK");
    InstallClient("[Client Components]\nLangType=\xBC\xF2\xCC\xE5\n"); // 简体 in GBK
    EXPECT_EQ(TStewardIniC().LangType, "简体");
}

TEST_F(StewardIniTest, EveryLoadReadsTheFilesAfresh) {
    InstallClient("[Client Components]\nLangType=CHS\n");
    TStewardIniC client;
    EXPECT_EQ(client.LangType, "CHS");
    WriteFile("StewardC.ini", "[Server Information]\nComputerName=\n");
    EXPECT_FALSE(client.Load());
    EXPECT_EQ(client.LangType, "ENG");
    EXPECT_TRUE(VarIsEmpty(client.Servers));
    registry_.emplace("[HKEY_LOCAL_MACHINE\\Software\\Other]\nClientPath=" + base_ + "\n");
    EXPECT_FALSE(client.Load());
    EXPECT_EQ(client.ErrorCode, "E;000015");
    EXPECT_EQ(client.LangType, "");
}

// ---- Server ---------------------------------------------------------------------------------

TEST_F(StewardIniTest, TheServerFileFillsTheDatabaseSettings) {
    InstallServer("[ProductVersion]\nVersion=7\n"
                  "[CodePage]\nUICodePage=936\nDBCodePage=950\n"
                  "[DBE Setting]\nMainUserName=admin\nXXXXXX=" +
                  EncodePassword("主密码&1") +
                  "\nMainAlias=Main\nMainDBType=oracle\nMainDBName=erp\n"
                  "MainServerName=db1\nSystemControlAddress=ctl1\n"
                  "MainConnectionTimeOut=30\nMainCommandTimeOut=60\n"
                  "TempAlias=Tmp\nTempUserName=tmpuser\nTempPassword=" +
                  EncodePassword("temp") +
                  "\nTempDBType=SQLITE\nTempDBName=tmpdb\nTempDriverName=QSQLITE\n"
                  "TempConnectionTimeOut=31\nTempCommandTimeOut=61\n"
                  "DataBaseCodeOrder=Chinese_PRC_BIN\n"
                  "EctAlias=Ect\nEctUserName=ectuser\nEctPassword=6162\n"
                  "[DBPasswordCtrl]\nComputerName= pwhost \nServerPort=212\n"
                  "ClientSocketPort=1025\nSupportCallBack=TRUE\n"
                  "[WorkDLLPath]\nsrv=\\S_PKG2\n");
    TStewardIniS server;
    ASSERT_TRUE(server.Load());
    EXPECT_EQ(server.ServerPath, base_);
    EXPECT_EQ(server.IniFileName, base_ + "StewardS.ini");
    EXPECT_EQ(server.ProductVersion, "7");
    EXPECT_EQ(server.DBConvertKind, ConvertKindBig5ToGB);
    EXPECT_TRUE(server.SupportCallBack);
    EXPECT_EQ(server.MainDBKind, MainDBKindOracle);
    EXPECT_EQ(server.SystemControlAddress, "ctl1");
    EXPECT_EQ(server.OtherSystemControlAddress, "db1");

    const std::vector<std::vector<Variant>> expected{
        {"Main", "admin", "主密码&1", "oracle", "erp", "db1", 30, 60},
        {"Tmp", "tmpuser", "temp", "SQLITE", "tmpdb", "QSQLITE", 31, 61},
        {"pwhost", 212, 1025, "Chinese_PRC_BIN", Variant(), Variant(), Variant(), Variant()},
        {"Ect", "ectuser", "6162", Variant(), Variant(), Variant(), Variant(), Variant()},
    };
    ASSERT_EQ(VarArrayHighBound(server.DBSettings, 1), 3);
    ASSERT_EQ(VarArrayHighBound(server.DBSettings, 2), 7);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 8; ++column) {
            const Variant& actual = server.DBSettings.At(row, column);
            EXPECT_EQ(actual, expected[row][column]) << "[" << row << ", " << column << "]";
            EXPECT_EQ(VarType(actual), VarType(expected[row][column]))
                << "[" << row << ", " << column << "]";
        }
    }
    std::vector<std::string> folders{"stale entry"};
    server.GetWorkDLLPaths(folders);
    EXPECT_EQ(folders, std::vector<std::string>{base_ + "S_PKG2/"});
}

TEST_F(StewardIniTest, AMissingServerFileGivesTheDefaultDatabaseSettings) {
    InstallServer();
    TStewardIniS server;
    ASSERT_TRUE(server.Load());
    const std::vector<std::vector<Variant>> expected{
        {"Tavrin", "sa", "", "MSSQL", "", "", 300, 3000},
        {"TavrinTemp", "sa", "", "PARADOX", "", "PostgreSQL", 300, 3000},
        {"", 211, 1024, "Chinese_Taiwan_Stroke_BIN", Variant(), Variant(), Variant(), Variant()},
        {"EDIDATA", "sa", "", Variant(), Variant(), Variant(), Variant(), Variant()},
    };
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 8; ++column) {
            const Variant& actual = server.DBSettings.At(row, column);
            EXPECT_EQ(actual, expected[row][column]) << "[" << row << ", " << column << "]";
            EXPECT_EQ(VarType(actual), VarType(expected[row][column]))
                << "[" << row << ", " << column << "]";
        }
    }
    EXPECT_EQ(server.MainDBKind, MainDBKindOther);
    EXPECT_EQ(server.SystemControlAddress, "");
    EXPECT_FALSE(server.SupportCallBack);
    EXPECT_EQ(server.WorkDLLPath, std::vector<std::string>{base_ + "S_PKG/"});
}

TEST_F(StewardIniTest, TheMainDatabaseKindIgnoresLetterCase) {
    const std::vector<std::pair<std::string, std::uint8_t>> cases{
        {"ORACLE", MainDBKindOracle}, {"Oracle", MainDBKindOracle}, {"db2", MainDBKindDB2},
        {" DB2 ", MainDBKindDB2},     {"MSSQL", MainDBKindOther},   {"ORACLE8", MainDBKindOther},
        {"", MainDBKindOther},
    };
    for (const auto& [type, kind] : cases) {
        InstallServer("[DBE Setting]\nMainDBType=" + type + "\n");
        EXPECT_EQ(TStewardIniS().MainDBKind, kind) << type;
    }
}

TEST_F(StewardIniTest, AnUnreadablePasswordIsMarkedLoggedAndLoadingGoesOn) {
    InstallServer("[DBE Setting]\nXXXXXX=b0zz\nTempPassword=" + EncodePassword("") +
                  "\nEctPassword=zz\n[DBPasswordCtrl]\nServerPort=999\n");
    TStewardIniS server;
    ASSERT_TRUE(server.Load());
    EXPECT_EQ(server.DBSettings.At(0, 2).AsString(), "KT_Say_Password_Error");
    EXPECT_EQ(server.DBSettings.At(1, 2).AsString(), "");
    EXPECT_EQ(server.DBSettings.At(3, 2).AsString(), "zz");
    EXPECT_EQ(server.DBSettings.At(2, 1).AsInteger(), 999);

    const std::string log = base_ + "Log/" + GeneratorLogFileName(Now());
    std::ifstream in(log);
    ASSERT_TRUE(in) << log;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(" on " + EncodePassword("DecodeSQLSa") + " "), std::string::npos) << text;
    EXPECT_NE(text.find("Programer Message: 解析 Sa 时发生错误!"), std::string::npos) << text;
}

} // namespace
