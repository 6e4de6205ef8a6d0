// The stored form of database passwords.
#include "AlertLog.h"
#include "StewardINI.h"
#include "core_test_support.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using coretest::ScopedEnv;
using coretest::ScopedRegistry;
using coretest::TempDir;

TEST(StoredPassword, EveryByteSurvivesTheRoundTripAtEveryRotation) {
    std::string allBytes;
    for (int value = 0; value < 256; ++value) {
        // Eight copies put the byte at every rotation (position mod 8).
        const std::string repeated(8, static_cast<char>(value));
        const std::string stored = EncodePassword(repeated);
        ASSERT_EQ(stored.size(), 16u);
        ASSERT_EQ(stored.find_first_not_of("0123456789abcdef"), std::string::npos) << stored;
        ASSERT_EQ(DecodePassword(stored), repeated) << "byte " << value;
        allBytes += static_cast<char>(value);
    }
    EXPECT_EQ(DecodePassword(EncodePassword(allBytes)), allBytes);
    EXPECT_EQ(DecodePassword(EncodePassword("密码 P@ss")), "密码 P@ss");
}

TEST(StoredPassword, TheStoredFormIsRotatedHexadecimal) {
    // 'a' = 0x61 rotated right by 1 is 0xb0; 'b' = 0x62 rotated right by 2 is 0x98.
    EXPECT_EQ(EncodePassword("ab"), "b098");
    EXPECT_EQ(DecodePassword("B098"), "ab");
    EXPECT_EQ(DecodePassword("b0987"), "ab"); // a trailing odd digit is ignored
    EXPECT_EQ(DecodePassword(""), "");
}

TEST(StoredPassword, TheEmptyPasswordIsStoredAsItsMarker) {
    EXPECT_EQ(EncodePassword(""), EncodePassword(EmptyPasswordMarker));
    EXPECT_EQ(DecodePassword(EncodePassword("")), "");
    EXPECT_EQ(DecodePassword(EncodePassword(EmptyPasswordMarker)), "");
}

TEST(StoredPassword, TextThatIsNotHexadecimalIsReportedOnce) {
    TempDir dir;
    ScopedRegistry registry(
        "[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\nClientPath=" + dir.Path().string() + "\n");
    const std::vector<std::string> cases{"zz", "b0zz", "b0 8", "0x61", "+1", "\xE4\xB8\xAD\xE6"};
    for (const std::string& stored : cases) {
        EXPECT_EQ(DecodePassword(stored), "KT_Say_Password_Error") << stored;
    }
    const std::filesystem::path log = dir.Path() / "Log" / GeneratorLogFileName(Now());
    ASSERT_TRUE(std::filesystem::exists(log));
    std::ifstream in(log);
    int headers = 0;
    for (std::string line; std::getline(in, line);) {
        headers += line.find(" on " + EncodePassword("DecodeSQLSa") + " ") != std::string::npos;
    }
    EXPECT_EQ(headers, static_cast<int>(cases.size()));
}

} // namespace
