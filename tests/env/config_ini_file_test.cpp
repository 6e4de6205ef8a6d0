// Reading INI files the way the private-profile functions read them, from the bytes on disk.
#include "IniFile.h"
#include "LibStrs.h"
#include "core_test_support.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using coretest::TempDir;

TIniFile IniOf(std::string_view text, int codePage = CodePageEnglish) {
    return TIniFile::FromBytes(text, codePage);
}

// The bytes of a UTF-16LE file with its byte-order mark.
std::string Utf16LeFile(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

TEST(IniFileRules, KeysAreFoundAsTheProfileFunctionsFindThem) {
    const TIniFile ini = IniOf("; leading comment=not a key\n"
                               "orphan=before any section\n"
                               "[Server Information]\r\n"
                               "  ComputerName  =  host-a ; note \r\n"
                               "computername=second occurrence\r\n"
                               "no equals sign here\r\n"
                               "# ServerPort=1\r\n"
                               "ServerPort=2000\r\n"
                               "=value without key\r\n"
                               "Quoted=\"  padded  \"\r"
                               "Single='x'\r"
                               "Unbalanced=\"x\n"
                               "Empty=\n"
                               "Equals=a=b\n"
                               "[ codepage ]\n"
                               "UICodePage=950\n"
                               "[SERVER INFORMATION]\n"
                               "Late=from a repeated section\n"
                               "ServerPort=3000\n"
                               "[Broken\n"
                               "Key=under a header without closing bracket\n");
    struct Case {
        std::string section, key, expected;
    };
    const std::vector<Case> cases{
        {"Server Information", "ComputerName", "host-a ; note"},
        {"server information", "COMPUTERNAME", "host-a ; note"},
        {"Server Information", "ServerPort", "2000"},
        {"Server Information", "Quoted", "  padded  "},
        {"Server Information", "Single", "x"},
        {"Server Information", "Unbalanced", "\"x"},
        {"Server Information", "Empty", ""},
        {"Server Information", "Equals", "a=b"},
        {"Server Information", "Late", "from a repeated section"},
        {"CodePage", "UICodePage", "950"},
        {"Broken", "Key", "<default>"},
        {"Server Information", "Key", "<default>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected) << c.key;
    }
    const std::vector<std::string> missing{"orphan", "; leading comment", "# ServerPort",
                                           "no equals sign here", ""};
    for (const std::string& key : missing) {
        EXPECT_FALSE(ini.ValueExists("Server Information", key)) << key;
        EXPECT_EQ(ini.ReadString("Server Information", key, "<default>"), "<default>") << key;
    }
    EXPECT_EQ(ini.ReadString("Missing Section", "ComputerName", "127.0.0.1"), "127.0.0.1");
}

TEST(IniFileRules, IntegersFallBackUnlessTheWholeValueIsANumber) {
    const TIniFile ini = IniOf("[S]\nDec=2000\nNeg=-5\nHex=0x1F\nDollar=$10\nBlank=\n"
                               "Word=abc\nTrailing=12ab\nHuge=99999999999\nSign=-\n");
    struct Case {
        std::string key;
        int expected;
    };
    const std::vector<Case> cases{
        {"Dec", 2000}, {"Neg", -5},       {"Hex", 31},   {"Dollar", 16}, {"Blank", 211},
        {"Word", 211}, {"Trailing", 211}, {"Huge", 211}, {"Sign", 211},  {"Missing", 211}};
    for (const Case& c : cases) {
        EXPECT_EQ(ini.ReadInteger("S", c.key, 211), c.expected) << c.key;
    }
}

TEST(IniFileRules, SectionValuesKeepFileOrderAndTheFirstValueOfEachName) {
    const TIniFile ini = IniOf("[WorkDLLPath]\nb=2\na=1\nB=3\nnoise\n[Other]\nc=4\n");
    EXPECT_EQ(ini.ReadSection("workdllpath"), (std::vector<std::string>{"b", "a", "B"}));
    EXPECT_EQ(ini.ReadSectionValues("WorkDLLPath"),
              (std::vector<std::string>{"b=2", "a=1", "B=2"}));
    EXPECT_TRUE(ini.ReadSectionValues("Missing").empty());
}

TEST(IniFileDecoding, BytesAreReadAsUtf8ElseFromTheSystemCodePage) {
    struct Case {
        std::string name;
        std::string bytes;
        int codePage;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"UTF-8", "[S]\nName=中文\n", CodePageGB, "中文"},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF[S]\nName=繁體\n", CodePageBig5, "繁體"},
        {"GBK bytes on a GB system", "[S]\nName=\xD6\xD0\xCE\xC4\n", CodePageGB, "中文"},
        {"Big5 bytes on a Big5 system", "[S]\nName=\xC1\x63\xC5\xE9\n", CodePageBig5, "繁體"},
        {"UTF-16LE with byte-order mark", Utf16LeFile(u"[S]\nName=中文\n"), CodePageGB, "中文"},
    };
    for (const Case& c : cases) {
        const TIniFile ini = IniOf(c.bytes, c.codePage);
        EXPECT_EQ(ini.ReadString("S", "Name", ""), c.expected) << c.name;
    }
}

TEST(IniFileDecoding, AFileOnDiskIsReadOnceAndLeftUntouched) {
    TempDir dir;
    const std::string text = "[Client Components]\nLangType=CHT\n";
    const std::string file = dir.Write("StewardC.ini", text);
    const TIniFile ini(file, CodePageEnglish);
    dir.Write("StewardC.ini", "[Client Components]\nLangType=ENG\n");
    EXPECT_EQ(ini.ReadString("Client Components", "LangType", ""), "CHT");
    EXPECT_EQ(ini.FileName(), file);

    const TIniFile missing(dir.Path().string() + "/absent.ini", CodePageEnglish);
    EXPECT_FALSE(missing.SectionExists("Client Components"));
    const TIniFile folder(dir.Path().string(), CodePageEnglish);
    EXPECT_FALSE(folder.SectionExists("Client Components"));
}

TEST(IniFileDecoding, ArbitraryBytesNeverBreakTheReader) {
    std::mt19937 random(20040305);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::vector<int> codePages{CodePageGB, CodePageBig5, CodePageEnglish};
    for (int round = 0; round < 200; ++round) {
        std::string bytes = round % 2 == 0 ? "[S]\nKey=" : "";
        const int length = 1 + round * 7;
        for (int i = 0; i < length; ++i) {
            bytes += static_cast<char>(byte(random));
        }
        const TIniFile ini = IniOf(bytes, codePages[round % codePages.size()]);
        const std::string value = ini.ReadString("S", "Key", "");
        EXPECT_TRUE(IsValidUtf8(value)) << "round " << round;
        for (const std::string& line : ini.ReadSectionValues("S")) {
            EXPECT_NE(line.find('='), std::string::npos);
        }
    }
}

} // namespace
