// Language files and the conversion pass over a window of 500 components, offscreen:
//   - applying a language file of 500 elements (parse + read), beside a look-up of
//     "//" + name over the whole document per component;
//   - the conversion pass with kind 2 (simplified to traditional), beside OpenCC's own time
//     for the same texts.
// Runs against a temporary installation (registry file, StewardC.ini) it makes itself.
#include "CodeConverter.h"
#include "Forms.h"
#include "LanguageController.h"
#include "Registry.h"
#include "StdCtrls.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <opencc/opencc.h>
#include <string>
#include <vector>

namespace {

constexpr int kComponents = 500;
constexpr int kRounds = 15;
const char* const kWords[] = {"费用代码", "会计科目", "成本归属", "报表条件", "开始日期",
                              "结束日期", "部门",     "项目",     "确定",     "取消"};

double Millis(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The fastest round of f, printed beside the median by Report; setup runs before each
// round, outside the timing.
struct TTiming {
    double median = 0;
    double best = 0;
};

TTiming Measure(const std::function<void()>& setup, const std::function<void()>& f) {
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        setup();
        auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(Millis(std::chrono::steady_clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

void Report(const char* what, const TTiming& t, const char* goal = "") {
    std::printf("%s: median %.2f ms, best %.2f ms%s\n", what, t.median, t.best, goal);
}

// Appending (rather than "c" + text) keeps GCC 12's -Wrestrict false alarm away.
std::string ComponentName(int i) {
    std::string name = "c";
    name += std::to_string(i);
    return name;
}

std::string Word(int i) {
    return std::string(kWords[i % 10]) + std::to_string(i);
}

// A window of labels, buttons, check boxes, edits and combo boxes.
TForm* MakeWindow() {
    TForm* form = Create<TForm>(nullptr);
    form->SetBounds(0, 0, 1000, 800);
    form->SetCaption("费用报表");
    for (int i = 0; i < kComponents; ++i) {
        TControl* c = nullptr;
        switch (i % 5) {
        case 0:
            c = new TLabel(form);
            break;
        case 1:
            c = new TButton(form);
            break;
        case 2:
            c = new TCheckBox(form);
            break;
        case 3:
            c = new TEdit(form);
            break;
        default: {
            auto* combo = new TComboBox(form);
            combo->Items()->SetText("全部\n部门\n项目");
            c = combo;
        }
        }
        c->SetName(ComponentName(i));
        c->SetParent(form);
        c->SetBounds((i % 10) * 98, (i / 10) * 15, 96, 14);
        c->SetHint("提示" + Word(i));
        if (!dynamic_cast<TEdit*>(c) && !dynamic_cast<TComboBox*>(c))
            c->SetCaption(Word(i));
    }
    return form;
}

std::string LanguageXml() {
    std::string xml = "<TfrmBench Caption=\"Expense report\">";
    for (int i = kComponents - 1; i >= 0; --i) { // reverse order: no luck from document order
        const std::string n = std::to_string(i);
        xml.append("<").append(ComponentName(i)).append(" Caption=\"Caption ").append(n);
        xml.append("\" Hint=\"Hint ").append(n).append("\"/>");
    }
    return xml + "</TfrmBench>";
}

void Install(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir / "app");
    std::ofstream(dir / "registry.ini")
        << "[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\nClientPath=" << (dir / "app").string()
        << "\n";
    std::ofstream(dir / "app" / "StewardC.ini") << "[CodePage]\nUICodePage=950\nDBCodePage=936\n";
    setenv("STEWARD_REGISTRY", (dir / "registry.ini").c_str(), 1);
    setenv("LANG", "zh_CN.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    ReloadRegistry();
}

void BenchLanguageFile(const std::filesystem::path& dir) {
    const std::string file = (dir / "TfrmBench.Lng").string();
    std::ofstream(file) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" << LanguageXml();

    TForm* form = MakeWindow();
    auto* controller = new TKtLangController(form);
    controller->SetFileName(file);
    const TTiming indexed = Measure([&] { controller->SetActive(false); },
                                    [&] {
                                        controller->SetActive(true);
                                        controller->CurrentReader()->ReadComponent(form);
                                    });

    // The same work with a search of the whole document per component.
    TXmlDocument document;
    document.Load(file);
    const TTiming perComponent =
        Measure([] {},
                [&] {
                    for (int i = 0; i < form->ComponentCount(); ++i) {
                        TComponent* c = form->Components(i);
                        if (c->Name().empty())
                            continue;
                        if (TXmlNode node = document.SelectSingleNode("//" + c->Name())) {
                            for (const auto& [name, value] : node.Attributes())
                                LoadLanguageProperty(c, name, value);
                        }
                    }
                });
    Report("language file, 500 elements onto 500 components", indexed, " (goal <= 20 ms)");
    Report("  the same with an XPath \"//name\" search per component", perComponent);
    form->Free();
}

void BenchConversion() {
    TCodeConverter* converter = Create<TCodeConverter>(nullptr);
    TForm* form = nullptr;
    const TTiming pass = Measure(
        [&] {
            if (form)
                form->Free();
            form = MakeWindow();
        },
        [&] { converter->ConvertComponents(form, true); });

    // OpenCC alone, one call per text the pass converts (captions, hints, combo lists).
    std::vector<std::string> texts;
    TForm* fresh = MakeWindow();
    for (int i = 0; i < fresh->ComponentCount(); ++i) {
        auto* c = static_cast<TControl*>(fresh->Components(i));
        if (!c->Caption().empty() && !dynamic_cast<TEdit*>(c) && !dynamic_cast<TComboBox*>(c))
            texts.push_back(c->Caption());
        texts.push_back(c->Hint());
        if (auto* combo = dynamic_cast<TComboBox*>(c))
            texts.push_back(combo->Items()->Text());
    }
    fresh->Free();
    opencc::SimpleConverter s2tw("s2tw.json");
    const TTiming openccOnly = Measure([] {},
                                       [&] {
                                           for (const std::string& t : texts)
                                               (void)s2tw.Convert(t);
                                       });
    // Where the pass spends its time: the fonts alone, the texts alone.
    const TTiming fontsOnly = Measure(
        [&] {
            if (form)
                form->Free();
            form = MakeWindow();
        },
        [&] {
            for (int i = 0; i < form->ComponentCount(); ++i)
                TCodeConverter::SetFontForKind(2,
                                               static_cast<TControl*>(form->Components(i))->Font());
        });
    const TTiming textsOnly = Measure([] {},
                                      [&] {
                                          for (const std::string& t : texts)
                                              (void)converter->GBToBIG5Text(t);
                                      });
    Report("conversion pass, kind 2, 500 components", pass, " (goal <= 30 ms)");
    Report("  fonts alone", fontsOnly);
    Report("  the texts through the translator one by one", textsOnly);
    std::printf("  (%zu texts)\n", texts.size());
    Report("  OpenCC s2tw alone, one call per text", openccOnly);
    if (form)
        form->Free();
    converter->Free();
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    (void)argc;
    (void)argv;
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-lang-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const std::filesystem::path dir = pattern;
    Install(dir);
    Application->Initialize();
    BenchLanguageFile(dir);
    BenchConversion();
    std::filesystem::remove_all(dir);
    return 0;
}
