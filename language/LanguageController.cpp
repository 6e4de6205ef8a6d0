#include "LanguageController.h"

#include "DateUtils.h"
#include "StewardINI.h"
#include "TypInfo.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kLanguageFolderName = "MultiLanguage/";
constexpr const char* kLanguageFileExtension = ".Lng";
constexpr const char* kMessageAttribute = "Msg";
constexpr const char* kCannotFindFile = "Cannot Find File %s!";
constexpr const char* kNoActiveController = "No active LanguageController!";

// The language code of a user-interface code page; "" for any other code page.
std::string LanguageCode(std::string_view codePage) {
    if (codePage == CodePageTextGB)
        return "CHS";
    if (codePage == CodePageTextBig5)
        return "CHT";
    if (codePage == CodePageTextEnglish)
        return "ENG";
    return {};
}

bool FolderExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

// ---- TLanguageController --------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TLanguageController, [](auto&) {});

TLanguageController::TLanguageController(TComponent* owner)
    : TComponent(owner), excludeControls_(std::make_unique<TStringList>()),
      xmlText_(std::make_unique<TStringList>()) {
    xmlText_->OnChange = TNotifyEvent(this, &TLanguageController::XMLTextChanged);
}

TLanguageController::~TLanguageController() = default;

bool TLanguageController::Active() const {
    return document_.has_value() && static_cast<bool>(document_->DocumentElement());
}

void TLanguageController::SetActive(bool value) {
    if (IsLoading()) {
        requestedActive_ = value;
        return;
    }
    if (value == Active())
        return;
    if (value)
        Activate();
    else
        Deactivate();
}

void TLanguageController::Activate() {
    DoBeforeOpen();
    reader_.reset();
    document_.reset();
    TXmlDocument document;
    bool parsed = false;
    if (xmlText_->Count() > 0) {
        parsed = document.LoadXml(xmlText_->Text());
    } else if (fileName_.empty()) {
        throw LanguageControllerError(Format(kCannotFindFile, fileName_.c_str()));
    } else {
        parsed = document.Load(fileName_);
    }
    if (!parsed)
        throw LanguageControllerError(document.ParseError());
    document_ = document;
    reader_ = std::make_shared<TLangReader>(document);
    reader_->SetExcludeControls(excludeControls_.get());
    reader_->BeforeLoadComponent = BeforeLoadComponent;
    reader_->AfterLoadComponent = AfterLoadComponent;
    DoAfterOpen();
}

void TLanguageController::Deactivate() {
    DoBeforeClose();
    reader_.reset();
    document_.reset();
    DoAfterClose();
}

void TLanguageController::Loaded() {
    TComponent::Loaded();
    SetActive(requestedActive_);
}

void TLanguageController::SetFileName(const std::string& fileName) {
    if (fileName == fileName_)
        return;
    fileName_ = fileName;
    xmlText_->Clear();
    SetActive(false);
}

void TLanguageController::XMLTextChanged(TObject*) {
    if (IsLoading())
        return;
    if (xmlText_->Count() > 0)
        fileName_.clear();
    SetActive(false);
}

void TLanguageController::SetExcludeControls(TStrings* names) {
    if (names)
        excludeControls_->Assign(names);
    else
        excludeControls_->Clear();
    if (reader_)
        reader_->SetExcludeControls(excludeControls_.get());
}

TLangReader* TLanguageController::CurrentReader() const {
    if (!Active())
        throw LanguageControllerError(kNoActiveController);
    return reader_.get();
}

void TLanguageController::DoAfterClose() {
    if (AfterClose)
        AfterClose(this);
}

void TLanguageController::DoAfterOpen() {
    if (AfterOpen)
        AfterOpen(this);
}

void TLanguageController::DoBeforeClose() {
    if (BeforeClose)
        BeforeClose(this);
}

void TLanguageController::DoBeforeOpen() {
    if (BeforeOpen)
        BeforeOpen(this);
}

void TLanguageController::DoAfterLoadComponent(TComponent* component, const TXmlNode& node) {
    if (AfterLoadComponent)
        AfterLoadComponent(component, node);
}

void TLanguageController::DoBeforeLoadComponent(TComponent* component, const TXmlNode& node) {
    if (BeforeLoadComponent)
        BeforeLoadComponent(component, node);
}

std::string TLanguageController::LanguageFolder(TDesignType designType) {
    const TLanguageSettings settings = ReadLanguageSettings(designType);
    const std::string code = LanguageCode(settings.UICodePage);
    if (code.empty())
        return {};
    const std::string folder = settings.BaseFolder + kLanguageFolderName + code + "/";
    return FolderExists(folder) ? folder : std::string();
}

std::string TLanguageController::LangMessage(TDesignType designType, const std::string& section,
                                             const std::string& key,
                                             const std::string& defaultText) {
    if (key.empty())
        return defaultText; // an empty key would select every message of the file
    try {
        const std::string file = LanguageFolder(designType) + section + kLanguageFileExtension;
        if (!FileExists(file))
            return defaultText;
        TXmlDocument document;
        if (!document.Load(file))
            return defaultText;
        TXmlNode root = document.DocumentElement();
        if (!root)
            return defaultText;
        TXmlNode node = root.SelectSingleNode(Format("//%s/@%s", key.c_str(), kMessageAttribute));
        if (!node)
            return defaultText;
        return node.Name() == kMessageAttribute ? node.Text() : std::string();
    } catch (const std::exception&) {
        return defaultText;
    }
}

// ---- TKtLangController ----------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TKtLangController, [](TPropertyBuilder<TKtLangController>& b) {
    b.Bool("Active", &TKtLangController::Active, &TKtLangController::SetActive);
    b.Event<TNotifyEvent>("AfterClose", "TNotifyEvent", &TKtLangController::AfterClose);
    b.Event<TNotifyEvent>("AfterOpen", "TNotifyEvent", &TKtLangController::AfterOpen);
    b.Event<TNotifyEvent>("BeforeClose", "TNotifyEvent", &TKtLangController::BeforeClose);
    b.Event<TNotifyEvent>("BeforeOpen", "TNotifyEvent", &TKtLangController::BeforeOpen);
    b.Event<TLoadComponentEvent>("AfterLoadComponent", "TLoadComponentEvent",
                                 &TKtLangController::AfterLoadComponent);
    b.Event<TLoadComponentEvent>("BeforeLoadComponent", "TLoadComponentEvent",
                                 &TKtLangController::BeforeLoadComponent);
    b.Object("ExcludeControls", &TKtLangController::ExcludeControls,
             &TKtLangController::SetExcludeControls);
    b.Str("LangPackageName", &TKtLangController::LangPackageName,
          &TKtLangController::SetLangPackageName);
    b.Ord("DesignType", DesignTypeInfo(), &TKtLangController::DesignType,
          &TKtLangController::SetDesignType);
});

TKtLangController::TKtLangController(TComponent* owner) : TLanguageController(owner) {}

void TKtLangController::SetLangPackageName(const std::string& name) {
    if (name == langPackageName_)
        return;
    langPackageName_ = name;
    SetFileName(LanguageFolder(designType_) + name + kLanguageFileExtension);
}
