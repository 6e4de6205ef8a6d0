#include "CodeConverter.h"

#include "ConversionPass.h"
#include "Forms.h"
#include "Graphics.h"
#include "StewardINI.h"
#include "TranslatorU.h"
#include "TypInfo.h"

#include <map>
#include <tuple>

namespace {

constexpr const char* kDialogFontName = "SimSun";
// Appended to dialog texts on a GB interface so the last characters are not clipped.
constexpr const char* kGBDialogPadding = "      ";

bool IsConvertingKind(std::uint8_t kind) {
    return kind == ConvertKindBig5ToGB || kind == ConvertKindGBToBig5;
}

} // namespace

STEWARD_REGISTER_CLASS(TCodeConverter, [](TPropertyBuilder<TCodeConverter>& b) {
    b.Ord("DesignType", DesignTypeInfo(), &TCodeConverter::DesignType,
          &TCodeConverter::SetDesignType);
});

TCodeConverter::TCodeConverter(TComponent* owner) : TComponent(owner) {
    // A converter read from a window description gets its design type only after this,
    // so it always starts from the client configuration.
    LoadSettings();
    if (uiConvertKind_ != ConvertKindNone)
        translator_ = std::make_unique<TTranslator>();
}

TCodeConverter::~TCodeConverter() = default;

void TCodeConverter::LoadSettings() {
    const TLanguageSettings settings = ReadLanguageSettings(designType_);
    sysCodePage_ = settings.SysCodePage;
    uiCodePage_ = settings.UICodePage;
    dbCodePage_ = settings.DBCodePage;
    uiConvertKind_ = settings.UIConvertKind;
    dbConvertKind_ = settings.DBConvertKind;
}

// ---- Values -------------------------------------------------------------------------------

std::string TCodeConverter::ConvertText(std::uint8_t kind, const std::string& text) const {
    if (kind == ConvertKindBig5ToGB)
        return BIG5ToGBText(text);
    if (kind == ConvertKindGBToBig5)
        return GBToBIG5Text(text);
    return text;
}

Variant TCodeConverter::ConvertScalar(std::uint8_t kind, const Variant& value) const {
    if (!IsConvertingKind(kind))
        return value;
    const TVarType type = VarType(value.Deref());
    // Objects and error codes have no text to convert; they pass unchanged.
    if (type == varDispatch || type == varError)
        return value;
    const std::string converted = ConvertText(kind, value.AsString());
    if (type == varOleStr)
        return Variant::OleStr(converted);
    return Variant(converted);
}

Variant TCodeConverter::ConvertArray(std::uint8_t kind, const Variant& value) const {
    const int dims = VarArrayDimCount(value);
    if (dims != 1 && dims != 2)
        return value;
    Variant result = value.Deref();
    // Elements are stored in index order; converting each in place covers both bounds.
    for (Variant& element : result.ArrayData()->Elements())
        element = ConvertValue(kind, element);
    return result;
}

Variant TCodeConverter::ConvertValue(std::uint8_t kind, const Variant& value) const {
    if (kind == ConvertKindNone || !translator_ || VarIsEmpty(value) || VarIsNull(value))
        return value;
    if (VarIsArray(value))
        return ConvertArray(kind, value);
    return ConvertScalar(kind, value);
}

Variant TCodeConverter::Reverse(std::uint8_t kind, const Variant& value) const {
    try {
        if (kind == ConvertKindBig5ToGB)
            return ConvertValue(ConvertKindGBToBig5, value);
        if (kind == ConvertKindGBToBig5)
            return ConvertValue(ConvertKindBig5ToGB, value);
    } catch (const std::exception&) {
    }
    return value;
}

Variant TCodeConverter::UIToDB(const Variant& value) const {
    return Reverse(dbConvertKind_, value);
}

Variant TCodeConverter::UIToDesign(const Variant& value) const {
    return Reverse(uiConvertKind_, value);
}

std::string TCodeConverter::BIG5ToGBText(const std::string& text) const {
    if (text.empty() || !translator_)
        return text;
    return translator_->BIG5ToGB(text);
}

std::string TCodeConverter::GBToBIG5Text(const std::string& text) const {
    if (text.empty() || !translator_)
        return text;
    return translator_->GBToBIG5(text);
}

// ---- Fonts and dialogs ----------------------------------------------------------------------

namespace {

// The fonts a window pass has already prepared, by their attributes: a window's controls
// mostly share a few fonts, and assigning a prepared font changes a control once and reuses
// its face instead of mapping it again for every control.
class TPreparedFonts {
public:
    const TFont& For(const TFont& font, TFontCharset charset) {
        const Key key{font.Name(),  font.Height(),     font.Style().ToInt(),
                      font.Color(), int(font.Pitch()), charset};
        std::unique_ptr<TFont>& prepared = fonts_[key];
        if (!prepared) {
            prepared = std::make_unique<TFont>();
            prepared->Assign(const_cast<TFont*>(&font));
            prepared->SetName(kDialogFontName);
            prepared->SetCharset(charset);
        }
        return *prepared;
    }

private:
    using Key = std::tuple<std::string, int, std::uint32_t, TColor, int, TFontCharset>;
    std::map<Key, std::unique_ptr<TFont>> fonts_;
};

TPreparedFonts& PreparedFonts() {
    static TPreparedFonts fonts;
    return fonts;
}

} // namespace

void TCodeConverter::SetFontForKind(std::uint8_t kind, TFont* font) {
    if (!font)
        return;
    const bool big5 = kind == ConvertKindGBToBig5 || kind == 3;
    const TFontCharset charset = big5 ? CHINESEBIG5_CHARSET : GB2312_CHARSET;
    if (font->Name() == kDialogFontName && font->Charset() == charset)
        return;
    font->Assign(const_cast<TFont*>(&PreparedFonts().For(*font, charset)));
}

int TCodeConverter::MessageDlgConverted(const std::string& message, TMsgDlgType type,
                                        TMsgDlgButtons buttons) const {
    if (message.empty())
        return 0;
    std::string text = message;
    if (uiCodePage_ == CodePageTextGB || sysCodePage_ == CodePageTextGB)
        text += kGBDialogPadding;
    std::unique_ptr<TForm, void (*)(TForm*)> dialog(CreateMessageDialog(text, type, buttons),
                                                    [](TForm* f) { f->Free(); });
    if (auto* ownerForm = dynamic_cast<TCustomForm*>(Owner())) {
        if (ownerForm->WindowState() == wsMinimized)
            ownerForm->SetWindowState(wsNormal);
        dialog->SetCaption(ownerForm->Caption());
    }
    SetFontForKind(uiConvertKind_, dialog->Font());
    return dialog->ShowModal();
}

// ---- The window pass ------------------------------------------------------------------------

void TCodeConverter::ConvertComponents(TCustomForm* form, bool convertAll) const {
    if (!form || !translator_ || uiConvertKind_ == ConvertKindNone)
        return;
    TConversionPass pass(*this, uiConvertKind_, convertAll);
    pass.Run(form);
}
