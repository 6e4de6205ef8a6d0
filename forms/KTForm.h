// The base window of every window of the module. It owns the window's code converter and
// language controller: at creation it clears stored input-method names, switches fonts for
// the English interface and gives single-image buttons a disabled image; when shown it
// applies the language files of its class chain, from TKTForm down to its own class.
#pragma once

#include "CodeConverter.h"
#include "Forms.h"
#include "LanguageController.h"

#include <cstdint>
#include <memory>
#include <string>

class TBitmap;

class TKTForm : public TForm {
    STEWARD_CLASS(TKTForm, TForm)
    // Builds the base window from its description; the converter reads the configuration
    // now, and its translator failures propagate out of the creation.
    explicit TKTForm(TComponent* owner);

    // Creation and show handlers; descendants with their own handlers call these first.
    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);

    // Applies the language files of target's class chain (most basic class first), or of
    // its own class only. A file that exists but does not parse raises
    // LanguageControllerError; missing files are skipped.
    virtual void LoadLanguage(TComponent* target, bool includeAncestors);
    // As LoadLanguage, without the base window's own file.
    virtual void LoadLanguageExceptBase(TComponent* target, bool includeAncestors);

    // The converter's pass over this window, at most once.
    void ConvertForm();
    int ConvertedMessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons);

    std::string GetSysCodePage() const { return KtConverter()->SysCodePage(); }
    std::string GetUICodePage() const { return KtConverter()->UICodePage(); }
    std::uint8_t GetUIConvertKind() const { return KtConverter()->UIConvertKind(); }
    std::uint8_t GetDBConvertKind() const { return KtConverter()->DBConvertKind(); }

    // The message key of section's language file, else the default (converted to the
    // interface's character form first when convertDefault). Never raises.
    void TranslatedText(const std::string& section, const std::string& key, std::string& result,
                        bool convertDefault, const std::string& defaultText);

    TCodeConverter* KtConverter() const { return ktConverter_; }
    TKtLangController* LangController() const { return langController_; }
    bool Converted() const { return converted_; }
    bool AutoLanguage() const { return autoLanguage_; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ApplyLanguageChain(TComponent* target, bool includeAncestors, bool includeBase);
    void PrepareComponent(TComponent* component, bool englishInterface);

    TCodeConverter* ktConverter_ = nullptr;
    TKtLangController* langController_ = nullptr;
    bool converted_ = false;
    bool autoLanguage_ = true;
};

// The embossed look of a disabled button image: dark pixels and light pixels touching the
// transparent colour are drawn in the button-shadow colour with a highlight below right,
// everything else in the button face. The transparent colour is the bitmap's own.
std::unique_ptr<TBitmap> MakeDisabledGlyph(const TBitmap& image);
// Doubles the image's width: the image itself on the left, its disabled look on the right.
void AddDisabledGlyph(TBitmap& image);
// Gives the single-image buttons of component a second, disabled image: a speed or bitmap
// button itself, the lookup button of a TKtBtnDBEdit or TKtBtnDBCombo, the three buttons
// of a TSelectPanel (the last three by class name and owned-button names).
void AddDisabledGlyphs(TComponent* component);
