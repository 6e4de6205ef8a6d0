#include "Library.h"
#include "SysUtils.h"
#include "TranslatorU.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

// Whether a library of that file name is mapped into this process right now.
bool IsMapped(const std::string& fileName) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.ends_with("/" + fileName))
            return true;
    }
    return false;
}

// Test programs and the suite's libraries are built into one folder.
std::string TestBinFolder() {
    const std::string program = ProgramFileName();
    return program.substr(0, program.rfind('/'));
}

std::string ErrorOf(const std::string& libraryName) {
    try {
        TTranslator translator(libraryName);
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

TEST(TranslatorTest, ConvertsBetweenCharacterFormsThroughTheRealLibrary) {
    TTranslator translator;

    struct Case {
        std::string simplified;
        std::string traditional;
    };
    const Case cases[] = {
        {"汉字", "漢字"},
        {"报表条件", "報表條件"},
        {"费用代码 ABC-123", "費用代碼 ABC-123"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(translator.GBToBIG5(c.simplified), c.traditional) << c.simplified;
        EXPECT_EQ(translator.BIG5ToGB(c.traditional), c.simplified) << c.traditional;
    }
}

TEST(TranslatorTest, LoadsTheLibraryForItsLifetimeOnly) {
    ASSERT_FALSE(IsMapped("Ktlanguage.so"));
    {
        TTranslator translator;
        EXPECT_TRUE(translator.IsLoaded());
        EXPECT_TRUE(IsMapped("Ktlanguage.so"));
        translator.LoadLibraryFunctions(); // a second load changes nothing
        EXPECT_EQ(translator.GBToBIG5("门"), "門");
    }
    EXPECT_FALSE(IsMapped("Ktlanguage.so"));
}

TEST(TranslatorTest, FailsWithTheDesignedTexts) {
    EXPECT_EQ(ErrorOf("NoSuchTranslator.dll"), "Load Library NoSuchTranslator.so Error!");

    // given a library that exports GBtoBIG5 but not BIG5toGB
    const std::string fake = TestBinFolder() + "/fake-translator/Ktlanguage.so";
    EXPECT_EQ(ErrorOf(fake), "Get Library Procedure Address Error!");
    // then it was unloaded again
    EXPECT_FALSE(IsMapped("Ktlanguage.so"));
}

} // namespace
