// Named alert logs, the generator's error log and error reports, written into temporary
// folders named by a temporary registry file.
#include "AlertLog.h"
#include "LibStrs.h"
#include "Registry.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string Rule(34, '-');

TEST(AlertLogFormat, FileNameFollowsNameAndPeriod) {
    const TDateTime march5 = EncodeDate(2004, 3, 5) + EncodeTime(23, 59, 0, 0);
    struct Case {
        std::string name, period, fileName;
    };
    const std::vector<Case> cases{
        {"libstrs", "D", "Alert_libstrs_20040305.log"},
        {"libstrs", "M", "Alert_libstrs_200403.log"},
        {"libstrs", "Y", "Alert_libstrs_2004.log"},
        {"libstrs", "W", "Alert_libstrs_20040305.log"},
        {"libstrs", "", "Alert_libstrs_20040305.log"},
        {"libstrs", "d", "Alert_libstrs_20040305.log"},
        {"down.txt", "M", "Alert_down.txt_200403"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AlertLogFileName(c.name, c.period, march5), c.fileName)
            << c.name << " " << c.period;
    }
}

TEST(AlertLogFormat, LineCarriesTheTimeToTheMillisecond) {
    const TDateTime time = EncodeDate(2004, 3, 5) + EncodeTime(7, 8, 9, 45);
    EXPECT_EQ(AlertLogLine("100% 中文 %s", time), "[2004/03/05 07:08:09:045] 100% 中文 %s");
}

TEST(AlertLogFormat, JoinPathAddsOneSeparator) {
    EXPECT_EQ(JoinPath("/a", "Log"), "/a/Log");
    EXPECT_EQ(JoinPath("/a/", "Log"), "/a/Log");
    EXPECT_EQ(JoinPath("", "Log"), "Log");
}

// ---- Error report blocks ------------------------------------------------------------------------

TEST(ErrorReport, OneBlockPerErrorClass) {
    const EOSError osError("Access is denied", 5);
    const EInOutError ioError("Disk 100% full", 28);
    const EDBEngineError dbError("db", {{101, "first"}, {202, "second %s"}});
    const EDBEngineError emptyDbError("db", {});
    const EConvertError convertError("'zz' is not a valid %d hex");
    const std::runtime_error plainError("boom");
    struct Case {
        const std::exception* error;
        std::string location, programmerMessage;
        std::vector<std::string> lines;
    };
    const std::string title = "讯息信息:";
    const std::vector<Case> cases{
        {nullptr, "", "", {Rule + Rule}},
        {nullptr, " \t", "  ", {Rule + Rule}},
        {nullptr, " Sa ", "", {Rule + " on  Sa  " + Rule}},
        {&osError,
         "Decode",
         " 解析 Sa 时发生错误! ",
         {Rule + " on Decode " + Rule, title,
          "EWin32Error Error 01: Code: 5, Message: Access is denied", "ErrorMessage Count: 1",
          "Programer Message:  解析 Sa 时发生错误! "}},
        {&ioError,
         "",
         "",
         {Rule + Rule, title, "EInOutError Error 01: Code: 28, Message: Disk 100% full",
          "ErrorMessage Count: 1"}},
        {&dbError,
         "",
         "",
         {Rule + Rule, title, "EDBEngineError Error 01: Code: 101, Message: first",
          "EDBEngineError Error 02: Code: 202, Message: second %s", "ErrorMessage Count: 2"}},
        {&emptyDbError, "", "", {Rule + Rule, title, "ErrorMessage Count: 0"}},
        {&convertError,
         "",
         "",
         {Rule + Rule, title, "Exception is EConvertError\nMessage 01: 'zz' is not a valid %d hex",
          "ErrorMessage Count: 1"}},
        {&plainError,
         "",
         "",
         {Rule + Rule, title, "Exception is std::runtime_error\nMessage 01: boom",
          "ErrorMessage Count: 1"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorReportLines(c.error, c.location, c.programmerMessage), c.lines)
            << (c.error ? c.error->what() : "no error");
    }
}

// ---- Files --------------------------------------------------------------------------------------

// A temporary folder, a registry file pointing the host shell's folder into it, and the
// environment restored afterwards.
class AlertLogFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() /
                ("steward-alertlog-" + std::to_string(getpid()) + "-" + test->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        Save("STEWARD_REGISTRY", savedRegistry_);
        Save("TMPDIR", savedTmpDir_);
        setenv("STEWARD_REGISTRY", (root_ / "registry.ini").c_str(), 1);
        WriteRegistry("");
    }

    void TearDown() override {
        Restore("STEWARD_REGISTRY", savedRegistry_);
        Restore("TMPDIR", savedTmpDir_);
        ReloadRegistry();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    // The Steward key with the given value lines; no key at all for an empty text.
    void WriteRegistry(const std::string& values) {
        std::ofstream file(root_ / "registry.ini", std::ios::trunc);
        if (!values.empty()) {
            file << "[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\n" << values;
        }
        file.close();
        ReloadRegistry();
    }

    // The folder as a configuration would write it, with backslashes.
    static std::string Backslashed(const fs::path& folder) {
        std::string text = folder.string();
        std::replace(text.begin(), text.end(), '/', '\\');
        return text;
    }

    static std::vector<std::string> Lines(const fs::path& file) {
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // The one file in a folder (the test does not know whether midnight passed).
    static fs::path OnlyFile(const fs::path& folder) {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(folder)) {
            files.push_back(entry.path());
        }
        EXPECT_EQ(files.size(), 1u) << folder;
        return files.empty() ? fs::path() : files.front();
    }

    static bool NamedForToday(const fs::path& file, const std::string& before,
                              const std::string& after) {
        const std::string name = file.filename().string();
        return name == before || name == after;
    }

    fs::path root_;

private:
    static void Save(const char* name, std::optional<std::string>& saved) {
        const char* value = std::getenv(name);
        saved = value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<std::string>& saved) {
        if (saved) {
            setenv(name, saved->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

    std::optional<std::string> savedRegistry_;
    std::optional<std::string> savedTmpDir_;
};

const std::regex AlertLine(R"(\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}:\d{3}\] (.*))");
const std::regex GeneratorLine(R"(\[\d{4}/\d{2}/\d{2}( \d{2}:\d{2}:\d{2})?\] (.*))");

TEST_F(AlertLogFiles, StewardDirComesFromClientPathThenServerPath) {
    EXPECT_EQ(GetStewardDir(), "");
    WriteRegistry("ClientPath=\\\\server\\share\\Steward\\\nServerPath=/srv\n");
    EXPECT_EQ(GetStewardDir(), "//server/share/Steward/");
    WriteRegistry("ClientPath=\nServerPath=C:\\Steward\n");
    EXPECT_EQ(GetStewardDir(), "C:/Steward");
    WriteRegistry("Other=1\n");
    EXPECT_EQ(GetStewardDir(), "");
}

TEST_F(AlertLogFiles, TempDirectoryEndsWithASeparator) {
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(GetTempDirectory(), "/var/tmp/");
    setenv("TMPDIR", "/var/tmp/", 1);
    EXPECT_EQ(GetTempDirectory(), "/var/tmp/");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(GetTempDirectory(), "/tmp/");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempDirectory(), "/tmp/");
}

TEST_F(AlertLogFiles, WriteAlertLogAppendsStampedLinesUnderTheClientFolder) {
    const fs::path client = root_ / "deep" / "client";
    WriteRegistry("ClientPath=" + Backslashed(client) + "\n");

    const std::string before = AlertLogFileName("libstrs", "D", Now());
    ASSERT_TRUE(WriteAlertLog("libstrs", "LINE[2735] 100% 失败", "D"));
    ASSERT_TRUE(WriteAlertLog("libstrs", "second", "D"));
    const std::string after = AlertLogFileName("libstrs", "D", Now());

    const fs::path file = OnlyFile(client / "Log");
    EXPECT_TRUE(NamedForToday(file, before, after)) << file;
    const std::vector<std::string> lines = Lines(file);
    ASSERT_EQ(lines.size(), 2u);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, AlertLine)) << lines[0];
    EXPECT_EQ(match[1], "LINE[2735] 100% 失败");
    ASSERT_TRUE(std::regex_match(lines[1], match, AlertLine)) << lines[1];
    EXPECT_EQ(match[1], "second");
}

TEST_F(AlertLogFiles, WriteAlertLogWithoutRegistryUsesTheProgramFolder) {
    const std::string name = "alertlog-test-" + std::to_string(getpid());
    ASSERT_TRUE(WriteAlertLog(name, "from the program folder", "Y"));
    const fs::path file = fs::path(HostProgramDir()) / "Log" / AlertLogFileName(name, "Y", Now());
    EXPECT_TRUE(fs::exists(file)) << file;
    std::error_code ignored;
    fs::remove(file, ignored);
    fs::remove(file.parent_path(), ignored); // only when no other log is there
}

TEST_F(AlertLogFiles, WriteAlertLogFailsWhenTheFolderCannotBeMade) {
    const fs::path notAFolder = root_ / "file";
    std::ofstream(notAFolder) << "x";
    WriteRegistry("ClientPath=" + notAFolder.string() + "\n");
    EXPECT_FALSE(WriteAlertLog("libstrs", "lost", "D"));
    EXPECT_FALSE(WriteGeneratorLog("lost"));
}

TEST_F(AlertLogFiles, GeneratorLogGoesToTheClientFolderThenTheTemporaryFolder) {
    WriteRegistry("ServerPath=" + (root_ / "server").string() + "\n");
    const std::string before = GeneratorLogFileName(Now());
    ASSERT_TRUE(WriteGeneratorLog("生成 100%"));
    const std::string after = GeneratorLogFileName(Now());
    const fs::path file = OnlyFile(root_ / "server" / "Log");
    EXPECT_TRUE(NamedForToday(file, before, after)) << file;
    const std::vector<std::string> lines = Lines(file);
    ASSERT_EQ(lines.size(), 1u);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, GeneratorLine)) << lines[0];
    EXPECT_EQ(match[2], "生成 100%");

    WriteRegistry("");
    setenv("TMPDIR", (root_ / "tmp").c_str(), 1);
    EXPECT_EQ(GeneratorLogBaseFolder(), (root_ / "tmp").string() + "/");
    ASSERT_TRUE(WriteGeneratorLog("in temp"));
    EXPECT_EQ(Lines(OnlyFile(root_ / "tmp" / "Log")).size(), 1u);

    unsetenv("TMPDIR");
    EXPECT_EQ(GeneratorLogBaseFolder(), "/tmp/");
}

TEST_F(AlertLogFiles, ErrorReportIsWrittenLineByLine) {
    WriteRegistry("ClientPath=" + root_.string() + "\n");
    WriteErrorReport(EOSError("Access is denied", 5), "Decode", "解析 Sa 时发生错误!");
    WriteErrorReport(nullptr, "", "");

    std::vector<std::string> texts;
    for (const std::string& line : Lines(OnlyFile(root_ / "Log"))) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, GeneratorLine)) << line;
        texts.push_back(match[2]);
    }
    const std::vector<std::string> expected{
        Rule + " on Decode " + Rule,
        "讯息信息:",
        "EWin32Error Error 01: Code: 5, Message: Access is denied",
        "ErrorMessage Count: 1",
        "Programer Message: 解析 Sa 时发生错误!",
        Rule + Rule,
    };
    EXPECT_EQ(texts, expected);
}

} // namespace
