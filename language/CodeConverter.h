// The code converter every window owns: it knows the code pages in force, converts values
// between the simplified (GB) and traditional (Big5) character forms through the
// translator library, and runs the conversion pass over a window: texts converted, fonts
// set to a face able to draw them, list and menu controls switched to owner drawing.
#pragma once

#include "Classes.h"
#include "DesignType.h"
#include "Dialogs.h"
#include "Variant.h"

#include <cstdint>
#include <memory>
#include <string>

class TFont;
class TTranslator;
class TCustomForm;

class TCodeConverter : public TComponent {
    STEWARD_CLASS(TCodeConverter, TComponent)
    // Reads the client configuration and creates the translator when the user interface
    // needs one; the translator's load failures propagate.
    explicit TCodeConverter(TComponent* owner);
    ~TCodeConverter() override;

    // Copies the code pages and conversion kinds from the configuration of DesignType.
    void LoadSettings();

    // Kind 1 Big5 to GB, kind 2 GB to Big5, any other kind returns the value unchanged.
    // Arrays of one or two dimensions are converted element by element (nested arrays
    // recursively); a converted scalar comes back as text.
    Variant ConvertValue(std::uint8_t kind, const Variant& value) const;
    Variant DBToUI(const Variant& value) const { return ConvertValue(DBConvertKind(), value); }
    Variant DesignToUI(const Variant& value) const { return ConvertValue(UIConvertKind(), value); }
    // The inverse directions; any failure gives the value unchanged.
    Variant UIToDB(const Variant& value) const;
    Variant UIToDesign(const Variant& value) const;

    // The translator's conversions; the text unchanged when there is no translator.
    std::string BIG5ToGBText(const std::string& text) const;
    std::string GBToBIG5Text(const std::string& text) const;

    // "SimSun" with character set 134 (GB) or 136 (Big5) as the kind asks.
    static void SetFontForKind(std::uint8_t kind, TFont* font);

    // A message dialog captioned like the owner window, with fonts for the interface code
    // page. An empty text shows nothing and returns 0.
    int MessageDlgConverted(const std::string& message, TMsgDlgType type,
                            TMsgDlgButtons buttons) const;

    // The conversion pass over form and the components it owns; convertAll adds tree views
    // and grids. Does nothing without a translator or when UIConvertKind is 0. Meant to run
    // once per window: a second run would convert the texts twice.
    void ConvertComponents(TCustomForm* form, bool convertAll) const;

    TDesignType DesignType() const { return designType_; }
    void SetDesignType(TDesignType v) { designType_ = v; }
    const std::string& SysCodePage() const { return sysCodePage_; }
    const std::string& UICodePage() const { return uiCodePage_; }
    const std::string& DBCodePage() const { return dbCodePage_; }
    std::uint8_t UIConvertKind() const { return uiConvertKind_; }
    std::uint8_t DBConvertKind() const { return dbConvertKind_; }
    bool HasTranslator() const { return translator_ != nullptr; }

private:
    Variant ConvertArray(std::uint8_t kind, const Variant& value) const;
    Variant ConvertScalar(std::uint8_t kind, const Variant& value) const;
    std::string ConvertText(std::uint8_t kind, const std::string& text) const;
    Variant Reverse(std::uint8_t kind, const Variant& value) const;

    std::unique_ptr<TTranslator> translator_;
    std::string sysCodePage_ = "936";
    std::string uiCodePage_ = "936";
    std::string dbCodePage_ = "936";
    std::uint8_t uiConvertKind_ = 0;
    std::uint8_t dbConvertKind_ = 0;
    TDesignType designType_ = dtClient;
};
