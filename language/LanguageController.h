// Language files: XML documents, one per window class, that name components and give new
// values for their properties, plus named messages looked up by key. The controller loads
// one document (from a file or from XML held in memory); its reader applies it to a window
// and everything the window owns.
//
// Files live below the installation: <base>/MultiLanguage/<CHS|CHT|ENG>/<class>.Lng, the
// language chosen by the user-interface code page.
#pragma once

#include "DesignType.h"
#include "LangReader.h"

#include <memory>
#include <optional>
#include <string>

STEWARD_DECLARE_EXCEPTION(LanguageControllerError, Exception);

class TLanguageController : public TComponent {
    STEWARD_CLASS(TLanguageController, TComponent)
    explicit TLanguageController(TComponent* owner);
    ~TLanguageController() override;

    // True when a document with a root element is loaded. Activating loads XMLText when it
    // holds text, else FileName; raises LanguageControllerError when there is neither or
    // the document does not parse.
    bool Active() const;
    void SetActive(bool value);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName);
    // XML held in memory; when not empty it is loaded instead of the file.
    TStrings* XMLText() const { return xmlText_.get(); }
    void SetXMLText(TStrings* text) { xmlText_->Assign(text); }
    // Names of components the reader leaves alone (their owned components are still read).
    TStrings* ExcludeControls() const { return excludeControls_.get(); }
    void SetExcludeControls(TStrings* names);

    // The reader over the loaded document; LanguageControllerError when inactive.
    TLangReader* CurrentReader() const;

    // <base>/MultiLanguage/<code>/ for the configuration of designType; "" when the
    // interface code page has no language or the folder does not exist.
    static std::string LanguageFolder(TDesignType designType);
    // The Msg attribute of the element named key in section's language file; the default
    // when the file, the element or the attribute is missing. Never raises.
    static std::string LangMessage(TDesignType designType, const std::string& section,
                                   const std::string& key, const std::string& defaultText);

    TLoadComponentEvent BeforeLoadComponent;
    TLoadComponentEvent AfterLoadComponent;
    TNotifyEvent BeforeClose;
    TNotifyEvent BeforeOpen;
    TNotifyEvent AfterOpen;
    TNotifyEvent AfterClose;

    void Loaded() override;

protected:
    virtual void DoAfterClose();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoBeforeOpen();
    virtual void DoAfterLoadComponent(TComponent* component, const TXmlNode& node);
    virtual void DoBeforeLoadComponent(TComponent* component, const TXmlNode& node);

private:
    void Activate();
    void Deactivate();
    void XMLTextChanged(TObject* sender);

    std::string fileName_;
    std::optional<TXmlDocument> document_;
    std::unique_ptr<TStringList> excludeControls_;
    std::shared_ptr<TLangReader> reader_;
    std::unique_ptr<TStringList> xmlText_;
    bool requestedActive_ = false;
};

// The controller every window owns as LangController: it names its file by a package name
// (a window class) in the language folder of its design type.
class TKtLangController : public TLanguageController {
    STEWARD_CLASS(TKtLangController, TLanguageController)
    explicit TKtLangController(TComponent* owner);

    TDesignType DesignType() const { return designType_; }
    void SetDesignType(TDesignType v) { designType_ = v; }
    const std::string& LangPackageName() const { return langPackageName_; }
    // Sets FileName to the language folder + name + ".Lng" (and so deactivates).
    void SetLangPackageName(const std::string& name);

private:
    TDesignType designType_ = dtClient;
    std::string langPackageName_;
};
