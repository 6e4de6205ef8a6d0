// Shows one window derived from the base window in the three interface languages and saves
// an offscreen screenshot of each:
//   simplified Chinese  (interface code page 936, the texts the window is built with)
//   traditional Chinese (code page 950, converted by the window's code converter)
//   English             (code page 437, texts from the language files)
// Usage: forms-ktform-demo [output folder]; each run makes its own temporary installation.
#include "ExtCtrls.h"
#include "KTForm.h"
#include "Registry.h"
#include "StdCtrls.h"

#include <QPixmap>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class TfrmLangDemo : public TKTForm {
    STEWARD_CLASS(TfrmLangDemo, TKTForm)
    explicit TfrmLangDemo(TComponent* owner);
};

STEWARD_REGISTER_CLASS(TfrmLangDemo, [](auto&) {});

const TFormDescription kDemo = {
    {{"Name", "frmLangDemo"}, {"Caption", "费用报表条件"}, {"Width", "440"}, {"Height", "300"}},
    {},
    {
        {"grpRange", "TGroupBox", "", {8, 8, 416, 110}, "查询条件", "", {}, {}},
        {"lblCode", "TLabel", "grpRange", {12, 24, 80, 17}, "费用代码:", "", {}, {}},
        {"edCodeFrom", "TEdit", "grpRange", {100, 20, 120, 23}, "", "起始代码", {}, {}},
        {"edCodeTo", "TEdit", "grpRange", {236, 20, 120, 23}, "", "截止代码", {}, {}},
        {"lblSubject", "TLabel", "grpRange", {12, 54, 80, 17}, "会计科目:", "", {}, {}},
        {"cboSubject",
         "TComboBox",
         "grpRange",
         {100, 50, 256, 23},
         "",
         "",
         {{"Style", "csDropDownList"},
          {"Items.Text", "管理费用\n销售费用\n财务费用"},
          {"ItemIndex", "0"}},
         {}},
        {"chkDetail",
         "TCheckBox",
         "grpRange",
         {100, 82, 250, 19},
         "显示明细资料",
         "",
         {{"Checked", "True"}},
         {}},
        {"grpTime", "TGroupBox", "", {8, 124, 416, 96}, "产生时间", "", {}, {}},
        {"rdoNow", "TRadioButton", "grpTime", {12, 22, 180, 19}, "立即处理", "", {}, {}},
        {"rdoQueue",
         "TRadioButton",
         "grpTime",
         {12, 44, 180, 19},
         "放入工作队列",
         "",
         {{"Checked", "True"}},
         {}},
        {"rdoTimer", "TRadioButton", "grpTime", {12, 66, 180, 19}, "指定时间执行", "", {}, {}},
        {"lstNotify",
         "TListBox",
         "grpTime",
         {210, 20, 194, 66},
         "",
         "",
         {{"Items.Text", "张三 (财务部)\n李四 (业务部)\n王五 (总经理室)"}},
         {}},
        {"btnOk", "TButton", "", {256, 230, 80, 28}, "确定", "", {}, {}},
        {"btnCancel", "TButton", "", {344, 230, 80, 28}, "取消", "", {}, {}},
    }};

TfrmLangDemo::TfrmLangDemo(TComponent* owner) : TKTForm(owner) {
    LoadFormDescription(this, kDemo);
}

const char* const kEnglishLng = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<TfrmLangDemo Caption="Expense report conditions">
  <grpRange Caption="Conditions"/>
  <lblCode Caption="Expense:"/>
  <edCodeFrom Hint="From code"/>
  <edCodeTo Hint="To code"/>
  <lblSubject Caption="Account:"/>
  <cboSubject Items_0="Administrative expenses" Items_1="Selling expenses" Items_2="Financial expenses"/>
  <chkDetail Caption="Show details"/>
  <grpTime Caption="Generation time"/>
  <rdoNow Caption="Process now"/>
  <rdoQueue Caption="Put into the job queue"/>
  <rdoTimer Caption="Run at a set time"/>
  <lstNotify Items_0="Zhang San (Finance)" Items_1="Li Si (Sales)" Items_2="Wang Wu (Management)"/>
  <btnCancel Caption="Cancel"/>
</TfrmLangDemo>
)xml";

// The OK button comes from the base window's file, which every window applies first.
const char* const kEnglishBaseLng = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<KTForm><btnOk Caption="OK"/></KTForm>
)xml";

void Install(const std::filesystem::path& dir, const std::string& uiCodePage) {
    std::filesystem::create_directories(dir / "app/MultiLanguage/ENG");
    std::ofstream(dir / "registry.ini")
        << "[HKEY_LOCAL_MACHINE\\Software\\KTW\\Steward]\nClientPath=" << (dir / "app").string()
        << "\n";
    std::ofstream(dir / "app/StewardC.ini") << "[CodePage]\nUICodePage=" << uiCodePage << "\n";
    std::ofstream(dir / "app/MultiLanguage/ENG/TfrmLangDemo.Lng") << kEnglishLng;
    std::ofstream(dir / "app/MultiLanguage/ENG/TKTForm.Lng") << kEnglishBaseLng;
    setenv("STEWARD_REGISTRY", (dir / "registry.ini").c_str(), 1);
    ReloadRegistry();
}

bool Shoot(const std::filesystem::path& dir, const std::string& uiCodePage,
           const std::filesystem::path& out) {
    Install(dir, uiCodePage);
    TfrmLangDemo* form = Create<TfrmLangDemo>(nullptr);
    form->Show(); // applies the language files
    form->ConvertForm();
    Application->ProcessMessages();
    const bool saved = form->Widget()->grab().save(QString::fromStdString(out.string()));
    std::printf("%s: %s\n", out.string().c_str(), form->Caption().c_str());
    form->Free();
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LANG", "zh_CN.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    const std::filesystem::path outDir = argc > 1 ? argv[1] : ".";
    std::filesystem::create_directories(outDir);
    std::string pattern = (std::filesystem::temp_directory_path() / "ktform-demo-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const std::filesystem::path dir = pattern;
    Application->Initialize();
    bool ok = Shoot(dir, "936", outDir / "ktform-chs.png");
    ok = Shoot(dir, "950", outDir / "ktform-cht.png") && ok;
    ok = Shoot(dir, "437", outDir / "ktform-eng.png") && ok;
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
