#include "SelectPnl.h"

#include "ExtCtrls.h"
#include "TypInfo.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>

namespace {
constexpr int kDefaultWidth = 353;
constexpr int kDefaultHeight = 45;
constexpr int kChoiceLeft = 16;
constexpr int kChoiceTop = 17;
constexpr int kChoiceExtraWidth = 24;
constexpr int kEditHeight = 24;
constexpr int kButtonSide = 23;
constexpr int kBevelWidth = 1;
constexpr int kDeleteOneGlyph = 47;
constexpr int kDeleteAllGlyph = 4;
constexpr char kSubItemMark = '\x01';
constexpr char kRowEnd = '\x04';
const char* const kDefaultHints[TSelectPanel::kHintCount] = {
    "用户自定输入方式",  "区间选择-起始信息",     "区间选择-起始信息开窗",
    "区间选择-截止信息", "区间选择-截止信息开窗", "多选-己选择的信息",
    "多选-信息开窗",     "多选-删除一笔信息",     "多选-删除己选信息"};
const char* const kStyleNames[] = {"sp_Range", "sp_Discrete", "sp_UserChoice"};

int g_codePage = CodePageGB;
// Bytes of each UTF-16 unit in g_codePage, -1 until asked; empty until first needed.
std::vector<signed char> g_unitBytes;

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

unsigned char AsciiLower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    // Up to the first non-ASCII byte both texts are the same characters in both encodings,
    // and Qt folds ASCII letters to lower case: a difference found there decides.
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        if ((ca | cb) & 0x80) {
            QString qa = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
            QString qb = QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
            int r = QString::compare(qa, qb, Qt::CaseInsensitive);
            return r < 0 ? -1 : r > 0 ? 1 : 0;
        }
        if (ca != cb) {
            ca = AsciiLower(ca);
            cb = AsciiLower(cb);
            if (ca != cb)
                return ca < cb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

std::string UpperText(std::string_view s) {
    if (IsAscii(s)) {
        std::string r(s);
        for (char& c : r)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return r;
    }
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toUpper().toStdString();
}

std::string ColumnText(const TListItem* item, int column) {
    if (column == 0)
        return item->Caption();
    const TStrings* sub = item->SubItems();
    return column - 1 < sub->Count() ? sub->Get(column - 1) : std::string();
}

int Right(const TControl* c) {
    return c->Left() + c->Width();
}

int CountOf(std::string_view text, std::string_view sign) {
    if (sign.empty())
        return 0;
    int n = 0;
    for (std::size_t p = text.find(sign); p != std::string_view::npos;
         p = text.find(sign, p + sign.size()))
        ++n;
    return n;
}

bool ReadInt(std::string_view text, int& value) {
    std::string_view t = TrimBlanks(text);
    return TryTextToInt(t, value);
}
} // namespace

void SetSelectPanelCodePage(int codePage) {
    g_codePage = codePage;
    g_unitBytes.clear();
}

int SelectPanelCodePage() {
    return g_codePage;
}

int InterfaceByteLength(const std::string& text) {
    if (IsAscii(text))
        return static_cast<int>(text.size());
    // The interface code pages are stateless, so a text is as long as its characters
    // together; a character's length is looked up once.
    if (g_unitBytes.empty())
        g_unitBytes.assign(0x10000, -1);
    QString q = QString::fromStdString(text);
    const char16_t* units = reinterpret_cast<const char16_t*>(q.utf16());
    const auto n = static_cast<std::size_t>(q.size());
    int bytes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        char16_t unit = units[i];
        if (unit < 0x80) {
            ++bytes;
        } else if (QChar::isHighSurrogate(unit) && i + 1 < n &&
                   QChar::isLowSurrogate(units[i + 1])) {
            bytes += static_cast<int>(WideToCodePage({units + i, 2}, g_codePage).size());
            ++i;
        } else {
            signed char& known = g_unitBytes[unit];
            if (known < 0)
                known = static_cast<signed char>(WideToCodePage({units + i, 1}, g_codePage).size());
            bytes += known;
        }
    }
    return bytes;
}

// ---- Parts --------------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TOrlCheckBox, [](auto&) {});
STEWARD_REGISTER_CLASS(TOrlMaskEdit, [](auto&) {});
STEWARD_REGISTER_CLASS(TOrlListView, [](TPropertyBuilder<TOrlListView>& b) {
    b.Bool("ColumnsAutoSize", &TOrlListView::ColumnsAutoSize, &TOrlListView::SetColumnsAutoSize);
});

void TOrlMaskEdit::Change() {
    if (!SuppressChange)
        TMaskEdit::Change();
}

void TOrlListView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (CanFocus() && !Focused())
            SetFocus();
        if (!Focused())
            return;
    }
    TListView::MouseDown(button, shift, x, y);
}

void TOrlListView::ColClick(TListColumn* column) {
    TListView::ColClick(column);
    if (HeaderClicked && column)
        HeaderClicked(column->Index());
}

// ---- Registration -------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TSelectPanel, [](TPropertyBuilder<TSelectPanel>& b) {
    static const TTypeInfo& style =
        b.Own(MakeEnumType("TSelectStyle", {"sp_Range", "sp_Discrete", "sp_UserChoice"}));
    static const TTypeInfo& valueType =
        b.Own(MakeEnumType("TValueType", {"vt_String", "vt_Number", "vt_Date", "vt_Time",
                                          "vt_Float", "vt_OtherMask"}));
    static const TTypeInfo& dateType =
        b.Own(MakeEnumType("TDateType", {"dt_NoneCare", "dt_YYYYMMDD", "dt_MMDDYYYY", "dt_DDMMYYYY",
                                         "dt_YYMMDD", "dt_YYYMMDD"}));
    static const TTypeInfo& duplicate =
        b.Own(MakeEnumType("TCheckDuplicate", {"cd_None", "cd_CheckCase", "cd_CaseInsensitive"}));
    using C = TSelectPanel;
    b.Ord("Style", style, &C::Style, &C::SetStyle);
    b.Ord("ValueType", valueType, &C::ValueType, &C::SetValueType);
    b.Bool("UserChoice", &C::UserChoice, &C::SetUserChoice);
    b.Str("HintWord", &C::HintWord, &C::SetHintWord);
    b.Object("BeginWords", &C::BeginWords, &C::SetBeginWords);
    b.Object("FinalWords", &C::FinalWords, &C::SetFinalWords);
    b.Object("ChildHints", &C::ChildHints, &C::SetChildHints);
    b.Bool("CanOpenWin", &C::CanOpenWin, &C::SetCanOpenWin);
    b.Int("GlyphIndex", &C::GlyphIndex, &C::SetGlyphIndex);
    b.Bool("UseVertical", &C::UseVertical, &C::SetUseVertical);
    b.Int("OtherWidth", &C::OtherWidth, &C::SetOtherWidth);
    b.Int("OtherHeight", &C::OtherHeight, &C::SetOtherHeight);
    b.Str("EditMask", &C::EditMask, &C::SetEditMask);
    b.Ord("DateType", dateType, &C::DateType, &C::SetDateType);
    b.Str("DateSign", &C::DateSign, &C::SetDateSign);
    b.Bool("AutoChangeDateSite", &C::AutoChangeDateSite, &C::SetAutoChangeDateSite);
    b.Bool("UseDiscard", &C::UseDiscard, &C::SetUseDiscard);
    b.Str("Discard", &C::Discard, &C::SetDiscard);
    b.Ord("CheckDuplicate", duplicate, &C::CheckDuplicate, &C::SetCheckDuplicate);
    b.Bool("SortListBox", &C::SortListBox, &C::SetSortListBox);
    b.Object("Columns", &C::Columns, &C::SetColumns);
    b.Object("ColumnCaptions", &C::ColumnCaptions, &C::SetColumnCaptions);
    b.Bool("ShowColumnHeader", &C::ShowColumnHeader, &C::SetShowColumnHeader);
    b.Bool("HideSelection", &C::HideSelection, &C::SetHideSelection);
    b.Bool("ColumnsAutoSize", &C::ColumnsAutoSize, &C::SetColumnsAutoSize);
    b.Object("Items", &C::Items, &C::SetItems);
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Int("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
    b.Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
    b.Event("OnStyleChanging", "TStyleChangingEvent", &C::OnStyleChanging);
    b.Event("OnStyleChange", "TStyleChangeEvent", &C::OnStyleChange);
    b.Event("OnTypeClick", "TNotifyEvent", &C::OnTypeClick);
    b.Event("OnOpenWinClick", "TOpenWinClickEvent", &C::OnOpenWinClick);
    b.Event("OnDeleteClick", "TDeleteClickEvent", &C::OnDeleteClick);
    b.Event("OnClearClick", "TNotifyEvent", &C::OnClearClick);
    b.Event("OnItemSelect", "TListViewSelectItemEvent", &C::OnItemSelect);
    b.Event("OnItemChange", "TListViewDataChangeEvent", &C::OnItemChange);
    b.Event("OnItemChanging", "TListViewDataChangingEvent", &C::OnItemChanging);
});

// ---- Construction -------------------------------------------------------------------------

TSelectPanel::TSelectPanel(TComponent* owner)
    : TCustomGroupBox(owner), beginWords_(std::make_unique<TStringList>()),
      finalWords_(std::make_unique<TStringList>()), childHints_(std::make_unique<TStringList>()),
      columnCaptions_(std::make_unique<TStringList>()), rows_(std::make_unique<TRowStore>(*this)) {
    SetBounds(Left(), Top(), kDefaultWidth, kDefaultHeight);
    CreateParts();
    ListBox->ReleaseRows = [this] { FlushRows(); };
    beginWords_->SetText("起\n起");
    finalWords_->SetText("止\n止");
    for (const char* hint : kDefaultHints)
        childHints_->Add(hint);
    HintsChanged(nullptr);
    beginWords_->OnChange = TNotifyEvent(this, &TSelectPanel::WordsChanged);
    finalWords_->OnChange = TNotifyEvent(this, &TSelectPanel::WordsChanged);
    childHints_->OnChange = TNotifyEvent(this, &TSelectPanel::HintsChanged);
    WireEvents();
}

TSelectPanel::~TSelectPanel() {
    // Rows still pending die with the panel; the list view outlives the store.
    ListBox->ReleaseRows = nullptr;
    beginWords_->OnChange = nullptr;
    finalWords_->OnChange = nullptr;
    childHints_->OnChange = nullptr;
}

void TSelectPanel::CreateParts() {
    auto named = [this](auto* part, const char* name, TWinControl* parent) {
        part->SetName(name);
        part->SetParent(parent);
        return part;
    };
    chkChoice = named(new TOrlCheckBox(this), "chkChoice", this);
    chkChoice->SetBounds(kChoiceLeft, kChoiceTop, chkChoice->Width(), chkChoice->Height());
    chkChoice->SetCaption("区间选择");
    chkChoice->SetChecked(true);
    chkChoice->SetVisible(false);
    for (TPanel** p : {&pnlRange, &pnlList}) {
        *p = named(new TPanel(this), p == &pnlRange ? "pnlRange" : "pnlList", this);
        (*p)->SetBevelOuter(bvNone);
        (*p)->SetBevelInner(bvNone);
        (*p)->SetCaption(" ");
    }
    lblBegin = named(new TLabel(this), "lblBegin", pnlRange);
    edBegin = named(new TOrlMaskEdit(this), "edBegin", pnlRange);
    btnBegin = named(new TF2Button(this), "btnBegin", pnlRange);
    lblFinal = named(new TLabel(this), "lblFinal", pnlRange);
    edFinal = named(new TOrlMaskEdit(this), "edFinal", pnlRange);
    btnFinal = named(new TF2Button(this), "btnFinal", pnlRange);
    ListBox = named(new TOrlListView(this), "ListBox", pnlList);
    btnOpenWin = named(new TF2Button(this), "btnOpenWin", pnlList);
    btnDeleteOne = named(new TGSpeedButton(this), "btnDeleteOne", pnlList);
    btnDeleteAll = named(new TGSpeedButton(this), "btnDeleteAll", pnlList);

    for (TOrlMaskEdit* e : {edBegin, edFinal})
        e->SetHeight(kEditHeight);
    for (TF2Button* b : {btnBegin, btnFinal, btnOpenWin})
        b->SetBounds(0, 0, kButtonSide, kButtonSide);
    btnOpenWin->SetAutoAlign(false);
    btnDeleteOne->SetFlat(true);
    btnDeleteOne->SetBounds(0, 0, kButtonSide, kButtonSide);
    btnDeleteOne->SetGlyphIndex(kDeleteOneGlyph);
    btnDeleteOne->SetNumGlyphs(1);
    btnDeleteAll->SetFlat(true);
    btnDeleteAll->SetBounds(0, 0, kButtonSide, kButtonSide);
    btnDeleteAll->SetGlyphIndex(kDeleteAllGlyph);
    btnDeleteAll->SetNumGlyphs(2);

    ListBox->SetViewStyle(vsReport);
    ListBox->SetMultiSelect(true);
    ListBox->SetRowSelect(true);
    ListBox->SetReadOnly(true);
    ListBox->SetShowColumnHeaders(false);
    ListBox->SetHideSelection(false);
    ListBox->SetSortType(stNone);
    ListBox->SetCursor(crHandPoint);
    ListBox->HeaderClicked = [this](int column) { ClickColumnHeader(column); };
}

void TSelectPanel::WireEvents() {
    chkChoice->OnClick = TNotifyEvent(this, &TSelectPanel::ChoiceClicked);
    for (TF2Button* b : {btnBegin, btnFinal, btnOpenWin})
        b->OnClick = TNotifyEvent(this, &TSelectPanel::LookupClicked);
    btnDeleteOne->OnClick = TNotifyEvent(this, &TSelectPanel::DeleteOneClicked);
    btnDeleteAll->OnClick = TNotifyEvent(this, &TSelectPanel::DeleteAllClicked);

    // Frame parts speak as the panel; value parts keep themselves as Sender.
    auto asPanel = [this](TControl* part) {
        part->OnClick = [this](TObject*) { TControl::Click(); };
        part->OnDblClick = [this](TObject*) {
            if (OnDblClick)
                OnDblClick(this);
        };
        part->OnMouseDown = [this, part](TObject*, TMouseButton b, TShiftState s, int x, int y) {
            TPoint p = ToPanel(part, x, y);
            if (OnMouseDown)
                OnMouseDown(this, b, s, p.X, p.Y);
        };
        part->OnMouseMove = [this, part](TObject*, TShiftState s, int x, int y) {
            TPoint p = ToPanel(part, x, y);
            if (OnMouseMove)
                OnMouseMove(this, s, p.X, p.Y);
        };
        part->OnMouseUp = [this, part](TObject*, TMouseButton b, TShiftState s, int x, int y) {
            TPoint p = ToPanel(part, x, y);
            if (OnMouseUp)
                OnMouseUp(this, b, s, p.X, p.Y);
        };
    };
    for (TControl* part : std::initializer_list<TControl*>{pnlRange, pnlList, lblBegin, lblFinal})
        asPanel(part);
    chkChoice->OnDblClick = pnlRange->OnDblClick;
    chkChoice->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        TPoint p = ToPanel(chkChoice, x, y);
        if (OnMouseDown)
            OnMouseDown(this, b, s, p.X, p.Y);
    };
    chkChoice->OnMouseMove = [this](TObject*, TShiftState s, int x, int y) {
        TPoint p = ToPanel(chkChoice, x, y);
        if (OnMouseMove)
            OnMouseMove(this, s, p.X, p.Y);
    };
    chkChoice->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        TPoint p = ToPanel(chkChoice, x, y);
        if (OnMouseUp)
            OnMouseUp(this, b, s, p.X, p.Y);
    };

    auto valuePart = [this](TWinControl* part) {
        part->OnClick = [this](TObject* sender) {
            if (OnClick)
                OnClick(sender);
        };
        part->OnDblClick = [this](TObject* sender) {
            if (OnDblClick)
                OnDblClick(sender);
        };
        part->OnMouseDown = [this](TObject* sender, TMouseButton b, TShiftState s, int x, int y) {
            if (OnMouseDown)
                OnMouseDown(sender, b, s, x, y);
        };
        part->OnMouseMove = [this](TObject* sender, TShiftState s, int x, int y) {
            if (OnMouseMove)
                OnMouseMove(sender, s, x, y);
        };
        part->OnMouseUp = [this](TObject* sender, TMouseButton b, TShiftState s, int x, int y) {
            if (OnMouseUp)
                OnMouseUp(sender, b, s, x, y);
        };
        part->OnKeyDown = [this](TObject* sender, WORD& key, TShiftState s) {
            if (OnKeyDown)
                OnKeyDown(sender, key, s);
        };
        part->OnKeyUp = [this](TObject* sender, WORD& key, TShiftState s) {
            if (OnKeyUp)
                OnKeyUp(sender, key, s);
        };
        part->OnKeyPress = [this](TObject* sender, char& key) {
            if (OnKeyPress)
                OnKeyPress(sender, key);
        };
    };
    for (TWinControl* part : std::initializer_list<TWinControl*>{edBegin, edFinal, ListBox})
        valuePart(part);
    for (TControl* b : std::initializer_list<TControl*>{btnBegin, btnFinal, btnOpenWin,
                                                        btnDeleteOne, btnDeleteAll}) {
        b->OnMouseDown = [this, b](TObject*, TMouseButton mb, TShiftState s, int x, int y) {
            TPoint p = ToPanel(b, x, y);
            if (OnMouseDown)
                OnMouseDown(this, mb, s, p.X, p.Y);
        };
        b->OnMouseUp = [this, b](TObject*, TMouseButton mb, TShiftState s, int x, int y) {
            TPoint p = ToPanel(b, x, y);
            if (OnMouseUp)
                OnMouseUp(this, mb, s, p.X, p.Y);
        };
    }

    // Drag and dock events of every part speak as the panel, in the panel's coordinates. A
    // part accepts a drop only when the panel has an OnDragOver that accepts it.
    auto dragPart = [this](TControl* part) {
        part->OnDragOver = [this, part](TObject*, TObject* source, int x, int y, TDragState st,
                                        bool& accept) {
            accept = false;
            if (!OnDragOver)
                return;
            accept = true;
            TPoint p = ToPanel(part, x, y);
            OnDragOver(this, source, p.X, p.Y, st, accept);
        };
        part->OnDragDrop = [this, part](TObject*, TObject* source, int x, int y) {
            TPoint p = ToPanel(part, x, y);
            if (OnDragDrop)
                OnDragDrop(this, source, p.X, p.Y);
        };
        part->OnStartDrag = [this](TObject*, TObject*& dragObject) {
            if (OnStartDrag)
                OnStartDrag(this, dragObject);
        };
        part->OnEndDrag = [this, part](TObject*, TObject* target, int x, int y) {
            TPoint p = ToPanel(part, x, y);
            if (OnEndDrag)
                OnEndDrag(this, target, p.X, p.Y);
        };
        part->OnStartDock = [this](TObject*, TObject*& dragObject) {
            if (OnStartDock)
                OnStartDock(this, dragObject);
        };
        part->OnEndDock = [this, part](TObject*, TObject* target, int x, int y) {
            TPoint p = ToPanel(part, x, y);
            if (OnEndDock)
                OnEndDock(this, target, p.X, p.Y);
        };
    };
    for (TControl* part : std::initializer_list<TControl*>{pnlRange, pnlList, lblBegin, lblFinal,
                                                           chkChoice, edBegin, edFinal, ListBox})
        dragPart(part);

    ListBox->OnSelectItem = [this](TObject* sender, TListItem* item, bool selected) {
        if (OnItemSelect)
            OnItemSelect(sender, item, item ? item->Index() : -1, selected);
    };
    ListBox->OnChange = [this](TObject* sender, TListItem* item, TItemChange change) {
        if (OnItemChange)
            OnItemChange(sender, item, change);
    };
    ListBox->OnChanging = [this](TObject* sender, TListItem* item, TItemChange change,
                                 bool& allow) {
        if (OnItemChanging)
            OnItemChanging(sender, item, change, allow);
    };
}

TPoint TSelectPanel::ToPanel(const TControl* part, int x, int y) const {
    for (const TControl* c = part; c && c != this; c = c->Parent()) {
        x += c->Left();
        y += c->Top();
    }
    return {x, y};
}

// ---- Style, visibility, size --------------------------------------------------------------

bool TSelectPanel::IsRangeMode() const {
    return style_ == sp_Range || (style_ == sp_UserChoice && chkChoice->Checked());
}

void TSelectPanel::ApplyVisibility() {
    chkChoice->SetVisible(style_ == sp_UserChoice);
    bool range = IsRangeMode();
    pnlRange->SetVisible(range);
    pnlList->SetVisible(!range);
}

void TSelectPanel::SwapSize() {
    int w = Width(), h = Height();
    SetBounds(Left(), Top(), otherWidth_, otherHeight_);
    otherWidth_ = w;
    otherHeight_ = h;
}

void TSelectPanel::SetStyle(TSelectStyle s) {
    TSelectStyle newStyle = s;
    bool accept = true;
    if (OnStyleChanging && !Quiet())
        OnStyleChanging(this, style_, newStyle, accept);
    if (!accept)
        return;
    TSelectStyle old = style_;
    style_ = newStyle;
    ApplyVisibility();
    bool rangeChange = (old == sp_Range) != (newStyle == sp_Range);
    if (styleApplied_ && rangeChange && !useVertical_ && !IsLoading())
        SwapSize();
    styleApplied_ = true;
    LayoutPanel();
    if (OnStyleChange && !Quiet())
        OnStyleChange(this, old, newStyle);
}

void TSelectPanel::SetUseVertical(bool v) {
    if (style_ != sp_Range || v == useVertical_)
        return;
    useVertical_ = v;
    if (!IsLoading())
        SwapSize();
    LayoutPanel();
}

void TSelectPanel::SetUserChoice(bool v) {
    if (style_ != sp_UserChoice)
        return;
    chkChoice->SetChecked(v);
    ApplyUserChoice();
}

void TSelectPanel::ChoiceClicked(TObject*) {
    if (style_ != sp_UserChoice)
        return;
    ApplyUserChoice();
    if (OnTypeClick && !Quiet())
        OnTypeClick(this);
}

void TSelectPanel::ApplyUserChoice() {
    userChoice_ = chkChoice->Checked();
    PlaceForUserChoice();
    ApplyVisibility();
}

void TSelectPanel::SetHintWord(const std::string& s) {
    chkChoice->SetCaption(s);
    SizeChoiceBox();
}

void TSelectPanel::SetCanOpenWin(bool v) {
    canOpenWin_ = v;
    for (TF2Button* b : {btnBegin, btnFinal, btnOpenWin})
        b->SetVisible(v);
    LayoutPanel();
}

void TSelectPanel::SetGlyphIndex(int n) {
    if (n == glyphIndex_)
        return;
    btnBegin->SetGlyphIndex(n);
    btnFinal->SetGlyphIndex(btnBegin->GlyphIndex());
    btnOpenWin->SetGlyphIndex(btnBegin->GlyphIndex());
    glyphIndex_ = n;
}

void TSelectPanel::SetEditMask(const std::string& mask) {
    std::string kept = edBegin->Text();
    edBegin->SuppressChange = true;
    edBegin->SetText("");
    edBegin->SetEditMask(mask);
    edFinal->SetEditMask(mask);
    emptyMaskText_ = edBegin->Text();
    edBegin->SetText(kept);
    edBegin->SuppressChange = false;
    editMask_ = mask;
}

void TSelectPanel::WordsChanged(TObject*) {
    if (wordsUpdating_)
        return;
    wordsUpdating_ = true;
    for (TStringList* words : {beginWords_.get(), finalWords_.get()})
        while (words->Count() > 2)
            words->Delete(words->Count() - 1);
    wordsUpdating_ = false;
    int entry = style_ == sp_UserChoice ? 1 : 0;
    lblBegin->SetCaption(WordFor(beginWords_.get(), entry));
    lblFinal->SetCaption(WordFor(finalWords_.get(), entry));
    LayoutPanel();
}

std::string TSelectPanel::WordFor(const TStrings* words, int entry) const {
    // With one entry, both layouts show it.
    if (words->Count() == 0)
        return "";
    return words->Get(std::min(entry, words->Count() - 1));
}

void TSelectPanel::HintsChanged(TObject*) {
    TControl* parts[kHintCount] = {chkChoice, edBegin,    btnBegin,     edFinal,     btnFinal,
                                   ListBox,   btnOpenWin, btnDeleteOne, btnDeleteAll};
    for (int i = 0; i < kHintCount && i < childHints_->Count(); ++i)
        parts[i]->SetHint(childHints_->Get(i));
}

void TSelectPanel::SetEnabled(bool v) {
    lastEnabled_ = v;
    TCustomGroupBox::SetEnabled(v);
    std::vector<TControl*> stack{this};
    while (!stack.empty()) {
        TControl* c = stack.back();
        stack.pop_back();
        if (c != this)
            c->SetEnabled(v);
        if (auto* w = dynamic_cast<TWinControl*>(c))
            for (int i = 0; i < w->ControlCount(); ++i)
                stack.push_back(w->Controls(i));
    }
}

void TSelectPanel::SetFocus() {
    TCustomGroupBox::SetFocus();
    if (!IsRangeMode() && ListBox->CanFocus())
        ListBox->SetFocus();
}

void TSelectPanel::Loaded() {
    TCustomGroupBox::Loaded();
    LayoutPanel();
}

// ---- Layout -------------------------------------------------------------------------------

int TSelectPanel::TextHeightOf(const TControl* c) const {
    return QFontMetrics(c->Font()->ToQFont()).height();
}

void TSelectPanel::SizeChoiceBox() {
    QFontMetrics fm(chkChoice->Font()->ToQFont());
    std::string shown = StripAccel(chkChoice->Caption()).shown;
    chkChoice->SetBounds(chkChoice->Left(), chkChoice->Top(),
                         fm.horizontalAdvance(QString::fromStdString(shown)) + kChoiceExtraWidth,
                         fm.height() + 2);
}

void TSelectPanel::PlaceInner(TPanel* front, TPanel* back, int top, int bottomMargin) {
    const int left = 2;
    int height = Height() - top - bottomMargin;
    int width = Width() - left - bottomMargin;
    for (TPanel* p : {back, front})
        p->SetBounds(left, top, width, height);
    front->BringToFront();
}

void TSelectPanel::PlaceForUserChoice() {
    chkChoice->SetBounds(kChoiceLeft, TextHeightOf(this) + 1, chkChoice->Width(),
                         chkChoice->Height());
    int top = TextHeightOf(chkChoice) + chkChoice->Top() + 2;
    TPanel* front = chkChoice->Checked() ? pnlRange : pnlList;
    TPanel* back = front == pnlRange ? pnlList : pnlRange;
    const int left = 2;
    for (TPanel* p : {back, front})
        p->SetBounds(left, top, Width() - left - 2, Height() - top - 2);
    front->BringToFront();
}

void TSelectPanel::LayoutPanel() {
    if (!styleApplied_)
        return;
    SizeChoiceBox();
    int top = TextHeightOf(this) + 3;
    switch (style_) {
    case sp_Range:
        chkChoice->SetVisible(false);
        PlaceInner(pnlRange, pnlList, top, kBevelWidth + 2);
        lblBegin->SetCaption(WordFor(beginWords_.get(), useVertical_ ? 1 : 0));
        lblFinal->SetCaption(WordFor(finalWords_.get(), useVertical_ ? 1 : 0));
        if (useVertical_)
            LayoutRangeVertical();
        else
            LayoutRangeHorizontal();
        break;
    case sp_Discrete:
        chkChoice->SetVisible(false);
        PlaceInner(pnlList, pnlRange, top, kBevelWidth + 2);
        LayoutList();
        break;
    case sp_UserChoice:
        chkChoice->SetVisible(true);
        PlaceForUserChoice();
        lblBegin->SetCaption(WordFor(beginWords_.get(), 1));
        lblFinal->SetCaption(WordFor(finalWords_.get(), 1));
        LayoutRangeVertical();
        LayoutList();
        break;
    }
}

void TSelectPanel::LayoutRangeHorizontal() {
    int t = (pnlRange->Height() - edBegin->Height()) / 2;
    lblBegin->SetBounds(2, t, lblBegin->Width(), lblBegin->Height());
    int width = 0;
    if (canOpenWin_) {
        width = (pnlRange->Width() - lblBegin->Left() - lblBegin->Width() - btnBegin->Width() -
                 lblFinal->Width() - btnFinal->Width() - 8) /
                    2 -
                1;
    } else {
        width =
            (pnlRange->Width() - lblBegin->Left() - lblBegin->Width() - lblFinal->Width() - 4) / 2 -
            1;
    }
    edBegin->SetBounds(Right(lblBegin) + 1, t, width, edBegin->Height());
    int finalLeft = Right(edBegin) + 4;
    if (canOpenWin_) {
        btnBegin->SetBounds(Right(edBegin) + 2, t, btnBegin->Width(), btnBegin->Height());
        finalLeft = Right(btnBegin) + 2;
    }
    lblFinal->SetBounds(finalLeft, t, lblFinal->Width(), lblFinal->Height());
    edFinal->SetBounds(Right(lblFinal) + 2, t, width, edFinal->Height());
    if (canOpenWin_)
        btnFinal->SetBounds(Right(edFinal) + 2, t, btnFinal->Width(), btnFinal->Height());
}

void TSelectPanel::LayoutRangeVertical() {
    int g = (pnlRange->Height() - edBegin->Height() - edFinal->Height()) / 3;
    lblBegin->SetBounds(2, g, lblBegin->Width(), lblBegin->Height());
    int width = canOpenWin_ ? pnlRange->Width() - lblBegin->Left() - lblBegin->Width() -
                                  btnBegin->Width() - 4
                            : pnlRange->Width() - lblBegin->Left() - lblBegin->Width() - 2;
    edBegin->SetBounds(Right(lblBegin) + 2, g, width, edBegin->Height());
    if (canOpenWin_)
        btnBegin->SetBounds(Right(edBegin) + 1, g, btnBegin->Width(), btnBegin->Height());
    int finalTop = g + lblBegin->Top() + edBegin->Height();
    lblFinal->SetBounds(lblBegin->Left(), finalTop, lblFinal->Width(), lblFinal->Height());
    edFinal->SetBounds(edBegin->Left(), finalTop, width, edFinal->Height());
    if (canOpenWin_)
        btnFinal->SetBounds(btnBegin->Left(), finalTop, btnFinal->Width(), btnFinal->Height());
}

void TSelectPanel::LayoutList() {
    // The list leaves the space of btnOpenWin also when the button is hidden.
    ListBox->SetBounds(ListBox->Left(), 0,
                       pnlList->Width() - ListBox->Left() - btnOpenWin->Width() - 3,
                       pnlList->Height());
    btnOpenWin->SetBounds(ListBox->Width() + 2, ListBox->Top(), btnOpenWin->Width(),
                          btnOpenWin->Height());
    btnDeleteOne->SetBounds(btnOpenWin->Left(),
                            Right(btnOpenWin) - btnOpenWin->Left() + btnOpenWin->Top(),
                            btnDeleteOne->Width(), btnDeleteOne->Height());
    btnDeleteAll->SetBounds(btnOpenWin->Left(), btnDeleteOne->Top() + btnDeleteOne->Height(),
                            btnDeleteAll->Width(), btnDeleteAll->Height());
}

void TSelectPanel::Resized() {
    TCustomGroupBox::Resized();
    LayoutPanel();
}

void TSelectPanel::FontChanged() {
    TCustomGroupBox::FontChanged();
    LayoutPanel();
}

// ---- Lookup and list buttons --------------------------------------------------------------

void TSelectPanel::LookupClicked(TObject* sender) {
    TWinControl* part = sender == btnBegin   ? static_cast<TWinControl*>(edBegin)
                        : sender == btnFinal ? static_cast<TWinControl*>(edFinal)
                                             : static_cast<TWinControl*>(ListBox);
    if (part->CanFocus())
        part->SetFocus();
    TWinControl* form = dynamic_cast<TCustomForm*>(Owner());
    if (!form)
        form = GetParentForm(this);
    if (form)
        SendMessage(form->Handle(), WM_F2LOOKUP, 0, reinterpret_cast<LPARAM>(part));
    if (OnOpenWinClick)
        OnOpenWinClick(this, part);
}

void TSelectPanel::DeleteOneClicked(TObject*) {
    bool accept = true;
    if (OnDeleteClick)
        OnDeleteClick(btnDeleteOne, accept);
    if (!accept)
        return;
    TListItems* items = ListBox->Items();
    items->BeginUpdate();
    for (int i = items->Count() - 1; i >= 0; --i)
        if (items->Item(i)->Selected())
            items->Delete(i);
    items->EndUpdate();
    InvalidateListState();
    widthsStale_ = true;
}

void TSelectPanel::DeleteAllClicked(TObject*) {
    ClearRows();
    if (ListBox->CanFocus())
        ListBox->SetFocus();
    if (OnClearClick)
        OnClearClick(btnDeleteAll);
}

// ---- Rows ---------------------------------------------------------------------------------

// The panel's own copy of its rows, in list order. Rows equal by the comparison keep the
// order they came in (seq); while the rows are not known sorted, seq alone is the order.
// Rows the list view does not hold yet are pending; list items the duplicate rule removed
// are doomed until the next hand-over.
struct TSelectPanel::TRowStore {
    struct TRow {
        std::vector<std::string> texts; // caption, then sub-items; missing ones read as empty
        std::uint64_t seq = 0;
        TListItem* item = nullptr; // null while pending
    };
    // A row looked up by its texts: after every stored row it does not sort before.
    struct TProbe {
        const std::vector<std::string>* texts;
    };
    static constexpr std::uint64_t kLast = ~std::uint64_t(0);
    struct TOrder {
        const TSelectPanel* panel;
        using is_transparent = void;
        bool Before(const std::vector<std::string>& a, std::uint64_t aSeq,
                    const std::vector<std::string>& b, std::uint64_t bSeq) const {
            if (panel->rowsSorted_) {
                auto column = [](const std::vector<std::string>& t) {
                    return [&t](int k) {
                        return k < static_cast<int>(t.size()) ? std::string_view(t[k])
                                                              : std::string_view();
                    };
                };
                int r = panel->CompareColumns(column(a), column(b));
                if (r != 0)
                    return r < 0;
            }
            return aSeq < bSeq;
        }
        bool operator()(const std::unique_ptr<TRow>& a, const std::unique_ptr<TRow>& b) const {
            return Before(a->texts, a->seq, b->texts, b->seq);
        }
        bool operator()(const TProbe& a, const std::unique_ptr<TRow>& b) const {
            return Before(*a.texts, kLast, b->texts, b->seq);
        }
        bool operator()(const std::unique_ptr<TRow>& a, const TProbe& b) const {
            return Before(a->texts, a->seq, *b.texts, kLast);
        }
    };
    using TRows = std::set<std::unique_ptr<TRow>, TOrder>;
    using TPos = TRows::iterator;

    explicit TRowStore(TSelectPanel& p) : panel(p), rows(TOrder{&p}) {}

    // A new pending row: in its sorted place, or last.
    TPos Add(std::vector<std::string>&& texts, bool sorted) {
        TPos place = sorted ? rows.upper_bound(TProbe{&texts}) : rows.end();
        auto row = std::make_unique<TRow>();
        row->texts = std::move(texts);
        row->seq = ++nextSeq;
        TPos pos = rows.emplace_hint(place, std::move(row));
        ++pending;
        panel.NoteWidths((*pos)->texts, +1);
        return pos;
    }

    void Erase(TPos pos) {
        const TRow& row = **pos;
        panel.NoteWidths(row.texts, -1);
        if (row.item)
            doomed.push_back(row.item);
        else
            --pending;
        rows.erase(pos);
    }

    bool Same(TPos a, TPos b) const { return panel.SameCaption((*a)->texts[0], (*b)->texts[0]); }

    // The rows around pos hold no adjacent duplicates, so at most one neighbour can match
    // it; the bottom-up pass of the rule deletes the lower row of the matching pair.
    void RemoveAround(TPos pos) {
        TPos next = std::next(pos);
        if (next != rows.end() && Same(next, pos)) {
            Erase(next);
            return;
        }
        if (pos != rows.begin() && Same(pos, std::prev(pos)))
            Erase(pos);
    }

    // From the last row up to the second, a row equal to the one above it goes.
    void RemoveAll() {
        if (rows.empty())
            return;
        for (TPos it = std::prev(rows.end()); it != rows.begin();) {
            TPos above = std::prev(it);
            if (Same(it, above))
                Erase(it);
            it = above;
        }
    }

    void Hold() {
        if (pending > 0 || !doomed.empty())
            panel.ListBox->HoldRows();
    }

    TSelectPanel& panel;
    TRows rows;
    std::uint64_t nextSeq = 0;
    int pending = 0;
    std::vector<TListItem*> doomed;
    bool flushing = false;
    // The rows agree with ListBox as it was at this revision.
    bool built = false;
    std::uint64_t revision = 0;
};

void TOrlListView::ReleaseHeldRows() {
    if (ReleaseRows)
        ReleaseRows();
}

void TOrlListView::FontChanged() {
    ++fontGeneration_;
    TListView::FontChanged();
}

bool TSelectPanel::RowsInStep() const {
    return rows_->built && rows_->revision == ListBox->Items()->Revision();
}

void TSelectPanel::SyncRows() {
    // The list was changed behind the panel's back: take its rows as they are, order unknown.
    if (!RowsInStep())
        RebuildRows(false, true);
}

void TSelectPanel::RebuildRows(bool sorted, bool recountWidths) {
    SettleRows();
    TRowStore& store = *rows_;
    store.rows.clear();
    store.doomed.clear();
    store.pending = 0;
    rowsSorted_ = sorted;
    rowsDeduplicated_ = false;
    subItemCount_ = 0;
    TListItems* items = ListBox->Items();
    for (int i = 0; i < items->Count(); ++i) {
        auto row = std::make_unique<TRowStore::TRow>();
        row->item = items->Item(i);
        row->texts = row->item->SubItems()->ToVector();
        row->texts.insert(row->texts.begin(), row->item->Caption());
        row->seq = ++store.nextSeq;
        subItemCount_ = std::max(subItemCount_, static_cast<int>(row->texts.size()) - 1);
        store.rows.emplace_hint(store.rows.end(), std::move(row));
    }
    store.built = true;
    store.revision = items->Revision();
    if (recountWidths)
        RecountWidths();
}

void TSelectPanel::KeepInsertionOrder() {
    // Numbering the rows in their present order keeps the set ordered once seq alone counts.
    std::uint64_t seq = 0;
    for (auto& row : rows_->rows)
        row->seq = ++seq;
    rows_->nextSeq = seq;
    rowsSorted_ = false;
}

void TSelectPanel::SettleRows() {
    if (rows_->pending > 0 || !rows_->doomed.empty())
        FlushRows();
}

void TSelectPanel::FlushRows() {
    TRowStore& store = *rows_;
    if (store.flushing || (store.pending == 0 && store.doomed.empty()))
        return;
    TListItems* items = ListBox->Items();
    std::vector<int> at;
    std::vector<std::unique_ptr<TListItem>> made;
    {
        // Reading the list below must not start another hand-over.
        store.flushing = true;
        struct TDone {
            bool& flag;
            ~TDone() { flag = false; }
        } done{store.flushing};
        bool inStep = RowsInStep();
        std::uint64_t expected = store.revision;
        std::vector<TListItem*> doomed;
        doomed.swap(store.doomed);
        for (TListItem* item : doomed) {
            int index = items->IndexOf(item);
            if (index >= 0) {
                items->Delete(index);
                ++expected;
            }
        }
        // A handler that changed the list leaves the places unknown: the rows go last and
        // the next AddRow starts over from the list.
        inStep = inStep && items->Revision() == expected;
        int place = 0;
        const int end = items->Count();
        at.reserve(static_cast<std::size_t>(store.pending));
        made.reserve(static_cast<std::size_t>(store.pending));
        for (auto& row : store.rows) {
            if (row->item) {
                ++place;
                continue;
            }
            auto item = std::make_unique<TListItem>(items);
            item->SetCaption(row->texts[0]);
            TStrings* sub = item->SubItems();
            sub->BeginUpdate();
            for (std::size_t k = 1; k < row->texts.size(); ++k)
                sub->Add(row->texts[k]);
            while (sub->Count() < subItemCount_)
                sub->Add("");
            sub->EndUpdate();
            row->item = item.get();
            at.push_back(inStep ? place : end);
            made.push_back(std::move(item));
        }
        store.pending = 0;
        store.built = inStep;
        store.revision = items->Revision();
    }
    if (made.empty())
        return;
    ++store.revision; // the insertion below, before any handler of it runs
    try {
        items->InsertItems(at, std::move(made));
    } catch (...) {
        store.built = false;
        throw;
    }
}

void TSelectPanel::InvalidateListState() {
    SettleRows();
    rows_->built = false;
}

void TSelectPanel::ClearRows() {
    TRowStore& store = *rows_;
    store.rows.clear();
    store.pending = 0;
    store.doomed.clear();
    ListBox->Items()->Clear();
    store.built = true;
    store.revision = ListBox->Items()->Revision();
    rowsSorted_ = true;
    rowsDeduplicated_ = true;
    subItemCount_ = 0;
    lengthCounts_.clear();
    widthsStale_ = false;
}

bool TSelectPanel::SameCaption(const std::string& a, const std::string& b) const {
    if (checkDuplicate_ != cd_CaseInsensitive)
        return a == b;
    if (a.size() != b.size() && IsAscii(a) && IsAscii(b))
        return false;
    return UpperText(a) == UpperText(b);
}

template <class A, class B> int TSelectPanel::CompareColumns(A a, B b) const {
    int r = CompareNoCase(a(sortColumn_), b(sortColumn_));
    if (r == 0 && sortColumn_ != 0)
        r = CompareNoCase(a(0), b(0));
    if (r == 0 && sortColumn_ != 1)
        r = CompareNoCase(a(1), b(1));
    return sortAscending_ ? r : -r;
}

int TSelectPanel::CompareRows(const TListItem* a, const TListItem* b) const {
    return CompareColumns([a](int k) { return ColumnText(a, k); },
                          [b](int k) { return ColumnText(b, k); });
}

void TSelectPanel::SortRows() {
    SettleRows();
    bool inStep = RowsInStep();
    ListBox->CustomSort([this](TListItem* a, TListItem* b, int) { return CompareRows(a, b); }, 0);
    RebuildRows(true, !inStep); // sorting moves rows, it changes no text
}

void TSelectPanel::RemoveAllDuplicates() {
    rows_->RemoveAll();
    rowsDeduplicated_ = true;
    rows_->Hold();
}

void TSelectPanel::PadRows(int subItems) {
    SettleRows();
    SyncRows(); // every stored row is a list item now
    subItemCount_ = std::max(subItemCount_, subItems);
    subItems = subItemCount_;
    TListItems* items = ListBox->Items();
    items->BeginUpdate();
    for (auto& row : rows_->rows) {
        if (!row->item)
            continue; // padded when handed over
        TStrings* sub = row->item->SubItems();
        if (sub->Count() >= subItems)
            continue;
        sub->BeginUpdate();
        while (sub->Count() < subItems)
            sub->Add("");
        sub->EndUpdate();
    }
    items->EndUpdate();
    rows_->revision = items->Revision();
}

void TSelectPanel::NoteWidths(const std::vector<std::string>& texts, int delta) {
    int columns = ListBox->Columns()->Count();
    if (static_cast<int>(lengthCounts_.size()) < columns)
        lengthCounts_.resize(static_cast<std::size_t>(columns));
    int n = std::min(columns, static_cast<int>(texts.size()));
    for (int k = 0; k < n; ++k) {
        // Empty texts never decide a width.
        auto len =
            static_cast<std::size_t>(InterfaceByteLength(texts[static_cast<std::size_t>(k)]));
        if (len == 0)
            continue;
        auto& counts = lengthCounts_[static_cast<std::size_t>(k)];
        if (delta > 0) {
            if (counts.size() <= len)
                counts.resize(len + 1, 0);
            ++counts[len];
        } else if (len < counts.size() && counts[len] > 0) {
            --counts[len];
        } else {
            widthsStale_ = true;
        }
    }
}

int TSelectPanel::WidestBytes(int column) const {
    if (column >= static_cast<int>(lengthCounts_.size()))
        return 0;
    const auto& counts = lengthCounts_[static_cast<std::size_t>(column)];
    for (int len = static_cast<int>(counts.size()) - 1; len > 0; --len)
        if (counts[static_cast<std::size_t>(len)] > 0)
            return len;
    return 0;
}

void TSelectPanel::RecountWidths() {
    widthsStale_ = false;
    lengthCounts_.assign(static_cast<std::size_t>(ListBox->Columns()->Count()), {});
    for (const auto& row : rows_->rows)
        NoteWidths(row->texts, +1);
}

int TSelectPanel::LetterWidth() {
    if (letterFont_ != ListBox->FontGeneration()) {
        letterWidth_ = QFontMetrics(ListBox->Font()->ToQFont()).horizontalAdvance(QLatin1Char('W'));
        letterFont_ = ListBox->FontGeneration();
    }
    return letterWidth_;
}

void TSelectPanel::ApplyColumnWidths() {
    if (!ListBox->ColumnsAutoSize())
        return;
    if (widthsStale_)
        RecountWidths();
    int w = LetterWidth();
    TListColumns* columns = ListBox->Columns();
    for (int k = 0; k < columns->Count(); ++k) {
        TListColumn* column = columns->Items(k);
        int bytes = std::max(WidestBytes(k), InterfaceByteLength(column->Caption()));
        if (column->Width() != w * bytes)
            column->SetWidth(w * bytes);
    }
}

bool TSelectPanel::AddRow(const std::vector<std::string>& texts) {
    return AddTexts(texts);
}

bool TSelectPanel::AddTexts(std::vector<std::string> texts) {
    if (texts.empty())
        return false;
    try {
        SyncRows();
        TListColumns* columns = ListBox->Columns();
        while (columns->Count() < static_cast<int>(texts.size()))
            columns->Add()->SetCaption("Data" + std::to_string(columns->Count()));
        int subItems = static_cast<int>(texts.size()) - 1;
        if (subItems > subItemCount_)
            PadRows(subItems);
        TRowStore& store = *rows_;
        if (sortListBox_ && !rowsSorted_) {
            // Rows in no known order: the whole rule, append, sort, remove duplicates.
            store.Add(std::move(texts), false);
            SortRows();
            if (checkDuplicate_ != cd_None)
                RemoveAllDuplicates();
        } else {
            if (!sortListBox_ && rowsSorted_)
                KeepInsertionOrder();
            // Inserting after the rows that sort equal is what a stable sort of the
            // appended row gives.
            TRowStore::TPos pos = store.Add(std::move(texts), sortListBox_);
            if (checkDuplicate_ == cd_None)
                rowsDeduplicated_ = false;
            else if (rowsDeduplicated_)
                store.RemoveAround(pos);
            else
                RemoveAllDuplicates();
        }
        store.Hold();
        ApplyColumnWidths();
        return true;
    } catch (...) {
        try {
            InvalidateListState();
        } catch (...) {
        }
        return false;
    }
}

void TSelectPanel::SetCheckDuplicate(TCheckDuplicate v) {
    TCheckDuplicate old = checkDuplicate_;
    checkDuplicate_ = v;
    // Case-insensitive rows are free of exact duplicates too; the other way round they
    // need not be.
    if (old != v && !(old == cd_CaseInsensitive && v == cd_CheckCase))
        rowsDeduplicated_ = false;
    if (v == cd_None)
        return;
    SyncRows();
    SetSortListBox(true);
    if (!IsRangeMode())
        RemoveAllDuplicates();
    ApplyColumnWidths();
}

void TSelectPanel::SetSortListBox(bool v) {
    if (v == sortListBox_)
        return;
    sortListBox_ = v;
    if (!v)
        return;
    SyncRows();
    SortRows();
}

void TSelectPanel::ClickColumnHeader(int column) {
    SyncRows();
    KeepInsertionOrder(); // the stored order must not depend on the column while it changes
    if (column == sortColumn_) {
        sortAscending_ = !sortAscending_;
    } else {
        sortColumn_ = column;
        sortAscending_ = true;
    }
    SortRows();
}

TStrings* TSelectPanel::ColumnCaptions() const {
    columnCaptions_->Clear();
    TListColumns* columns = ListBox->Columns();
    for (int k = 0; k < columns->Count(); ++k)
        columnCaptions_->Add(columns->Items(k)->Caption());
    return columnCaptions_.get();
}

void TSelectPanel::SetColumnCaptions(TStrings* captions) {
    TListColumns* columns = ListBox->Columns();
    columns->Clear();
    if (!captions)
        return;
    for (int k = 0; k < captions->Count(); ++k) {
        TListColumn* c = columns->Add();
        c->SetCaption(captions->Get(k));
        c->SetWidth(ColumnHeaderWidth);
    }
    widthsStale_ = true;
}

// ---- Saved value --------------------------------------------------------------------------

std::string TSelectPanel::ListText() const {
    std::string text;
    TListItems* items = ListBox->Items();
    for (int i = 0; i < items->Count(); ++i) {
        const TListItem* item = items->Item(i);
        text += item->Caption();
        const TStrings* sub = item->SubItems();
        for (int k = 0; k < sub->Count(); ++k) {
            text += kSubItemMark;
            text += sub->Get(k);
        }
        text += kRowEnd;
    }
    return text;
}

bool TSelectPanel::RebuildList(const std::string& listText) {
    ClearRows();
    ListBox->Items()->BeginUpdate();
    bool ok = true;
    std::size_t start = 0;
    while (ok && start <= listText.size()) {
        std::size_t end = listText.find(kRowEnd, start);
        if (end == std::string::npos)
            end = listText.size();
        std::string_view piece(listText.data() + start, end - start);
        if (!piece.empty()) {
            std::vector<std::string> texts;
            std::size_t p = 0;
            while (true) {
                std::size_t q = piece.find(kSubItemMark, p);
                texts.emplace_back(
                    piece.substr(p, q == std::string_view::npos ? piece.npos : q - p));
                if (q == std::string_view::npos)
                    break;
                p = q + 1;
            }
            ok = AddTexts(std::move(texts));
        }
        start = end + 1;
    }
    ListBox->Items()->EndUpdate();
    return ok;
}

std::string TSelectPanel::SaveValue() const {
    const std::string sep(1, RecordSeparator);
    switch (style_) {
    case sp_Range:
        return kStyleNames[sp_Range] + sep + edBegin->Text() + sep + edFinal->Text();
    case sp_Discrete:
        return kStyleNames[sp_Discrete] + sep + ListText();
    case sp_UserChoice:
        if (chkChoice->Checked())
            return kStyleNames[sp_UserChoice] + sep + "True" + sep + edBegin->Text() + sep +
                   edFinal->Text();
        return kStyleNames[sp_UserChoice] + sep + "False" + sep + ListText();
    }
    return "";
}

void TSelectPanel::LoadSaveValue(const std::string& text, const TSaveValueDates* dates) {
    std::string kind = GetField(text, RecordSeparatorText, 1);
    if (kind == kStyleNames[sp_Range]) {
        std::string begin = GetField(text, RecordSeparatorText, 2);
        std::string end = GetField(text, RecordSeparatorText, 3);
        if (dates) {
            SetEditMask(dates->EditMask);
            begin = DateToCodeText(dates->DateFormatCode, dates->DateSign, Date8ToDate(begin));
            end = DateToCodeText(dates->DateFormatCode, dates->DateSign, Date8ToDate(end));
        }
        edBegin->SetText(begin);
        edFinal->SetText(end);
        return;
    }
    if (kind == kStyleNames[sp_Discrete]) {
        if (!RebuildList(GetField(text, RecordSeparatorText, 2)))
            throw Exception(kSaveValueParseError);
        return;
    }
    if (kind == kStyleNames[sp_UserChoice]) {
        bool range = GetField(text, RecordSeparatorText, 2) == "True";
        SetUserChoice(range);
        if (range) {
            edBegin->SetText(GetField(text, RecordSeparatorText, 3));
            edFinal->SetText(GetField(text, RecordSeparatorText, 4));
            return;
        }
        RebuildList(GetField(text, RecordSeparatorText, 3));
    }
}

// ---- Range ordering -----------------------------------------------------------------------

TDateTime TSelectPanel::ReadOrderingDate(std::string_view text, TDateType type,
                                         std::string_view sign, std::string_view emptyMaskText) {
    std::string t(TrimBlanks(text));
    if (t.empty() || t == TrimBlanks(emptyMaskText))
        return 0;
    int signs = CountOf(t, sign);
    if (signs == 1) {
        std::string s(sign);
        if (type == dt_MMDDYYYY)
            t = t.substr(0, 2) + s + "01" + t.substr(std::min<std::size_t>(2, t.size()));
        else if (type == dt_DDMMYYYY)
            t = "01" + s + t;
        else
            t = t + s + "01";
    } else if (signs != 2) {
        return 0;
    }
    int f[3];
    for (int i = 0; i < 3; ++i)
        if (!ReadInt(GetField(t, sign, i + 1), f[i]))
            return 0;
    int year = 0, month = 0, day = 0;
    switch (type) {
    case dt_YYYYMMDD:
        year = f[0], month = f[1], day = f[2];
        break;
    case dt_MMDDYYYY:
        year = f[2], month = f[0], day = f[1];
        break;
    case dt_DDMMYYYY:
        year = f[2], month = f[1], day = f[0];
        break;
    case dt_YYMMDD:
    case dt_YYYMMDD:
        year = f[0] + MinguoYearOffset, month = f[1], day = f[2];
        break;
    default:
        return 0;
    }
    TDateTime date = 0;
    return TryEncodeDate(year, month, day, date) ? date : 0;
}

bool TSelectPanel::CanonicalDecimal(std::string_view text, std::string& result) {
    std::string t(TrimBlanks(text));
    if (t.empty())
        return false;
    double value = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
        return false;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15f", value);
    std::string s = buffer;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    if (s == "-0")
        s = "0";
    result = s;
    return true;
}

bool TSelectPanel::OrderRange(std::string& begin, std::string& end, const TRangeRule& rule) {
    if (begin.empty() || end.empty())
        return false;
    auto exempt = [&] {
        if (begin == rule.EmptyMaskText || end == rule.EmptyMaskText)
            return true;
        return rule.UseDiscard &&
               (TrimBlanks(begin) == rule.Discard || TrimBlanks(end) == rule.Discard);
    };
    bool swap = false;
    switch (rule.ValueType) {
    case vt_String:
    case vt_Time:
        swap = !exempt() && begin > end;
        break;
    case vt_Number: {
        int b = 0, e = 0;
        if (!ReadInt(begin, b))
            b = 0;
        if (!ReadInt(end, e))
            e = 0;
        swap = b > e;
        break;
    }
    case vt_Date:
        if (!rule.AutoChangeDateSite || exempt())
            break;
        if (rule.DateType == dt_NoneCare)
            swap = begin > end;
        else
            swap = ReadOrderingDate(begin, rule.DateType, rule.DateSign, rule.EmptyMaskText) >
                   ReadOrderingDate(end, rule.DateType, rule.DateSign, rule.EmptyMaskText);
        break;
    case vt_Float: {
        std::string b, e;
        if (!CanonicalDecimal(begin, b) || !CanonicalDecimal(end, e))
            break;
        begin = b;
        end = e;
        swap = std::stod(e) < std::stod(b);
        break;
    }
    case vt_OtherMask:
        break;
    }
    if (swap)
        std::swap(begin, end);
    return swap;
}

void TSelectPanel::RangeLeft() {
    if (editMask_.empty() || editMask_[0] != '!') {
        edBegin->SetText(std::string(TrimBlanks(edBegin->Text())));
        edFinal->SetText(std::string(TrimBlanks(edFinal->Text())));
    }
    std::string begin = edBegin->Text(), end = edFinal->Text();
    TRangeRule rule{valueType_,          emptyMaskText_, useDiscard_, discard_,
                    autoChangeDateSite_, dateType_,      dateSign_};
    std::string oldBegin = begin, oldEnd = end;
    OrderRange(begin, end, rule);
    if (begin != oldBegin)
        edBegin->SetText(begin);
    if (end != oldEnd)
        edFinal->SetText(end);
}

void TSelectPanel::DoExit() {
    RangeLeft();
    TCustomGroupBox::DoExit();
}
