#include "KTForm.h"

#include "Buttons.h"
#include "Graphics.h"
#include "StewardINI.h"
#include "TypInfo.h"

#include <QImage>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

// The base window as every descendant inherits it.
const TFormDescription kKTForm = {
    {{"Name", "KTForm"},
     {"Caption", "KTForm"},
     {"Width", "400"},
     {"Height", "191"},
     {"Position", "poScreenCenter"},
     {"Color", "clBtnFace"},
     {"Font.Charset", "1"},
     {"Font.Color", "clWindowText"},
     {"Font.Height", "-13"},
     {"Font.Name", "宋体"},
     {"Font.Style", "[]"},
     {"KeyPreview", "True"},
     {"ShowHint", "True"}},
    {{"OnCreate", "FormCreate"}, {"OnShow", "FormShow"}},
    {
        {"KtConverter", "TCodeConverter", "", {}, "", "", {{"DesignType", "dtClient"}}, {}},
        {"LangController", "TKtLangController", "", {}, "", "", {{"Active", "False"}}, {}},
    }};

constexpr const char* kEnglishFontName = "Tahoma";
constexpr const char* kEnglishFontCharset = "134"; // GB2312 stays in the English interface
// Components with glyph buttons of their own, known by class name and the names of the
// buttons they own.
constexpr std::string_view kBtnDBEditClass = "TKtBtnDBEdit";
constexpr const char* kBtnDBEditButton = "F2Button";
constexpr std::string_view kBtnDBComboClass = "TKtBtnDBCombo";
constexpr std::string_view kSelectPanelClass = "TSelectPanel";
constexpr const char* kSelectPanelButtons[] = {"btnBegin", "btnFinal", "btnOpenWin"};
constexpr int kSingleGlyph = 1;
constexpr int kDisabledGlyphCount = 2;
// A pixel darker than this (sum of red, green and blue) keeps its outline when disabled.
constexpr int kDarkPixelSum = 384;

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

QRgb ToRgb(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// The button's picture when it has one image only.
TBitmap* SingleGlyph(TObject* button) {
    const TPropInfo* count = GetPropInfo(button, "NumGlyphs");
    if (!count || GetOrdPropByName(button, "NumGlyphs") != kSingleGlyph)
        return nullptr;
    const TPropInfo* glyph = GetPropInfo(button, "Glyph");
    if (!glyph || glyph->Kind() != tkClass)
        return nullptr;
    auto* bitmap = dynamic_cast<TBitmap*>(std::get<TObject*>(glyph->Get(button)));
    return bitmap && !bitmap->Empty() ? bitmap : nullptr;
}

void AddDisabledGlyphTo(TObject* button) {
    TBitmap* glyph = button ? SingleGlyph(button) : nullptr;
    if (!glyph)
        return;
    AddDisabledGlyph(*glyph);
    SetOrdPropByName(button, "NumGlyphs", kDisabledGlyphCount);
}

// The first component owner owns that publishes a glyph.
TComponent* FirstGlyphButton(TComponent* owner) {
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        TComponent* c = owner->Components(i);
        if (HasPropByName(c, "Glyph") && HasPropByName(c, "NumGlyphs"))
            return c;
    }
    return nullptr;
}

// The buttons whose glyph gets a disabled image, by the first matching class.
std::vector<TObject*> GlyphButtons(TComponent* component) {
    if (component->InheritsFrom(kBtnDBEditClass))
        return {component->FindComponent(kBtnDBEditButton)};
    if (component->InheritsFrom(kBtnDBComboClass))
        return {FirstGlyphButton(component)};
    if (dynamic_cast<TSpeedButton*>(component) || dynamic_cast<TBitBtn*>(component))
        return {component};
    std::vector<TObject*> buttons;
    if (component->InheritsFrom(kSelectPanelClass)) {
        for (const char* name : kSelectPanelButtons)
            buttons.push_back(component->FindComponent(name));
    }
    return buttons;
}

} // namespace

STEWARD_REGISTER_CLASS(TKTForm, [](TPropertyBuilder<TKTForm>& b) {
    b.Object("KtConverter", &TKTForm::KtConverter, nullptr);
    b.Object("LangController", &TKTForm::LangController, nullptr);
    b.Method("FormCreate", &TKTForm::FormCreate);
    b.Method("FormShow", &TKTForm::FormShow);
});

TKTForm::TKTForm(TComponent* owner) : TForm(owner) {
    LoadFormDescription(this, kKTForm);
    ktConverter_ = dyn<TCodeConverter>(FindComponent("KtConverter"));
    langController_ = dyn<TKtLangController>(FindComponent("LangController"));
}

void TKTForm::Notification(TComponent* component, TOperation operation) {
    TForm::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == ktConverter_)
        ktConverter_ = nullptr;
    if (component == langController_)
        langController_ = nullptr;
}

// ---- Creation -------------------------------------------------------------------------------

void TKTForm::FormCreate(TObject*) {
    converted_ = false;
    autoLanguage_ = true;
    const bool englishInterface = ktConverter_ && GetUICodePage() == CodePageTextEnglish;
    for (int i = 0; i < ComponentCount(); ++i)
        PrepareComponent(Components(i), englishInterface);
}

void TKTForm::PrepareComponent(TComponent* component, bool englishInterface) {
    // Controls no longer ask for the input method that was stored with them.
    if (HasPropByName(component, "ImeName"))
        SetStrPropByName(component, "ImeName", "");
    if (englishInterface && HasPropByName(component, "Font")) {
        TrySetPropertyByPath(component, "Font.Charset", kEnglishFontCharset);
        TrySetPropertyByPath(component, "Font.Name", kEnglishFontName);
    }
    AddDisabledGlyphs(component);
}

void TKTForm::FormShow(TObject*) {
    if (autoLanguage_)
        LoadLanguage(this, true);
}

// ---- Language files -------------------------------------------------------------------------

void TKTForm::LoadLanguage(TComponent* target, bool includeAncestors) {
    ApplyLanguageChain(target, includeAncestors, true);
}

void TKTForm::LoadLanguageExceptBase(TComponent* target, bool includeAncestors) {
    ApplyLanguageChain(target, includeAncestors, false);
}

void TKTForm::ApplyLanguageChain(TComponent* target, bool includeAncestors, bool includeBase) {
    if (!target || !langController_)
        return;
    std::vector<std::string> packages;
    if (!includeAncestors) {
        packages.push_back(target->ClassName());
    } else {
        for (const TClassInfo* cls = &target->ClassType(); cls; cls = cls->ClassParent()) {
            if (cls == &TForm::StaticClass() || cls == &TCustomForm::StaticClass())
                break;
            if (!includeBase && cls == &TKTForm::StaticClass())
                break;
            packages.insert(packages.begin(), cls->ClassName());
        }
    }
    for (const std::string& package : packages) {
        langController_->SetLangPackageName(package);
        if (!FileExists(langController_->FileName()))
            continue;
        langController_->SetActive(true);
        langController_->CurrentReader()->ReadComponent(target);
    }
}

void TKTForm::TranslatedText(const std::string& section, const std::string& key,
                             std::string& result, bool convertDefault,
                             const std::string& defaultText) {
    std::string fallback = defaultText;
    try {
        if (convertDefault && ktConverter_)
            fallback = ktConverter_->DesignToUI(Variant(defaultText)).AsString();
        const TDesignType designType = langController_ ? langController_->DesignType() : dtClient;
        result = TLanguageController::LangMessage(designType, section, key, fallback);
    } catch (const std::exception&) {
        result = fallback;
    }
}

// ---- Conversion -----------------------------------------------------------------------------

void TKTForm::ConvertForm() {
    if (converted_ || !ktConverter_)
        return;
    ktConverter_->ConvertComponents(this, true);
    converted_ = true;
}

int TKTForm::ConvertedMessageDlg(const std::string& message, TMsgDlgType type,
                                 TMsgDlgButtons buttons) {
    if (!ktConverter_)
        return 0;
    return ktConverter_->MessageDlgConverted(message, type, buttons);
}

// ---- Disabled glyphs ------------------------------------------------------------------------

std::unique_ptr<TBitmap> MakeDisabledGlyph(const TBitmap& image) {
    const QImage source = image.Image().convertToFormat(QImage::Format_RGB32);
    const int width = source.width();
    const int height = source.height();
    const QRgb transparent = ToRgb(image.TransparentColor()) & RGB_MASK;
    auto isTransparent = [&](int x, int y) {
        return (source.pixel(x, y) & RGB_MASK) == transparent;
    };

    // Marks are kept apart from the pixels: were the transparent colour black, marking by
    // colour would turn the whole background into ink.
    std::vector<bool> ink(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (isTransparent(x, y))
                continue;
            const QRgb p = source.pixel(x, y);
            const bool dark = qRed(p) + qGreen(p) + qBlue(p) < kDarkPixelSum;
            const bool edge = isTransparent(x, std::max(y - 1, 0)) ||
                              isTransparent(x, std::min(y + 1, height - 1)) ||
                              isTransparent(std::max(x - 1, 0), y) ||
                              isTransparent(std::min(x + 1, width - 1), y);
            ink[static_cast<std::size_t>(y) * width + x] = dark || edge;
        }
    }

    QImage result(width, height, QImage::Format_RGB32);
    result.fill(ToRgb(clBtnFace));
    const QRgb highlight = ToRgb(clBtnHighlight);
    const QRgb shadow = ToRgb(clBtnShadow);
    for (int y = 0; y + 1 < height; ++y) {
        for (int x = 0; x + 1 < width; ++x) {
            if (ink[static_cast<std::size_t>(y) * width + x])
                result.setPixel(x + 1, y + 1, highlight);
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (ink[static_cast<std::size_t>(y) * width + x])
                result.setPixel(x, y, shadow);
        }
    }
    auto disabled = std::make_unique<TBitmap>();
    disabled->SetImage(result);
    return disabled;
}

void AddDisabledGlyph(TBitmap& image) {
    if (image.Empty())
        return;
    const std::unique_ptr<TBitmap> disabled = MakeDisabledGlyph(image);
    const QImage original = image.Image().convertToFormat(QImage::Format_RGB32);
    const QRgb transparent = ToRgb(image.TransparentColor());
    const int width = original.width();

    QImage widened(width * 2, original.height(), QImage::Format_RGB32);
    widened.fill(transparent);
    for (int y = 0; y < original.height(); ++y) {
        for (int x = 0; x < width; ++x) {
            widened.setPixel(x, y, original.pixel(x, y));
            widened.setPixel(width + x, y, disabled->Image().pixel(x, y));
        }
    }
    image.SetImage(widened);
}

void AddDisabledGlyphs(TComponent* component) {
    if (!component)
        return;
    for (TObject* button : GlyphButtons(component))
        AddDisabledGlyphTo(button);
}
