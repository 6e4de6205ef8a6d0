// Masked edits with Delphi edit-mask semantics.
//
// A mask is "mask;save;blank": mask characters L l A a C c 0 9 # (required upper-case
// letter classes, optional lower-case ones), > < <> for case, \ for a literal, ! for
// right-aligned optional characters, _ for a literal space, any other character a literal.
// save "1" (the default) keeps the literals in Text, "0" drops them; blank is the character
// shown in unfilled positions ("_" by default).
#pragma once

#include "StdCtrls.h"

#include <string>
#include <vector>

STEWARD_DECLARE_EXCEPTION(EDBEditError, Exception);

class TEditMask {
public:
    TEditMask() = default;
    explicit TEditMask(const std::string& mask);

    bool IsMasked() const { return !cells_.empty(); }
    bool SaveLiterals() const { return save_; }
    char32_t Blank() const { return blank_; }
    int Length() const { return static_cast<int>(cells_.size()); }
    bool IsLiteral(int pos) const;
    // Whether ch may stand at pos; ch is returned in the case the mask asks for.
    bool Accepts(int pos, char32_t& ch) const;
    // The next (or previous) editable position at or after (before) pos; -1 when none.
    int NextEditable(int pos) const;
    int PrevEditable(int pos) const;

    // Entered characters of the edit text (blank where nothing was entered).
    std::u32string EmptyEditText() const;
    std::u32string EditTextFromText(const std::u32string& text) const;
    // The entered characters alone (no literals) placed into the editable positions.
    std::u32string EditTextFromEntered(const std::u32string& entered) const;
    std::u32string EnteredFromEditText(const std::u32string& edit) const;
    std::u32string TextFromEditText(const std::u32string& edit) const;
    // The first required position still blank, or -1.
    int FirstMissing(const std::u32string& edit) const;

private:
    enum Kind { Literal, Letter, AlphaNum, AnyChar, Digit, DigitSign };
    struct Cell {
        Kind kind = Literal;
        bool required = false;
        char32_t literal = 0;
        int caseMode = 0; // 0 none, 1 upper, 2 lower
    };
    std::vector<Cell> cells_;
    bool save_ = true;
    bool reverse_ = false;
    char32_t blank_ = U'_';
};

class TMaskEdit : public TEdit {
    STEWARD_CLASS(TMaskEdit, TEdit)
    explicit TMaskEdit(TComponent* owner);

    const std::string& EditMask() const { return mask_; }
    void SetEditMask(const std::string& mask);
    bool IsMasked() const { return engine_.IsMasked(); }
    // The text as shown, literals and blank characters included.
    std::string EditText() const;
    void SetEditText(const std::string& s);
    std::string GetText() const override;
    void SetText(const std::string& s) override;
    // Raises EDBEditError when a required position is empty.
    void ValidateEdit();
    void DoExit() override;

    // Internal: editing keys of the widget.
    bool MaskKey(int qtKey, const QString& text);
    void MaskInsert(const QString& text);

private:
    std::string mask_;
    TEditMask engine_;
};
