#include "Dialogs.h"

#include "ExtCtrls.h"
#include "StdCtrls.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace {
struct ButtonInfo {
    const char* name;
    const char* caption;
    TModalResult result;
};

const ButtonInfo kButtons[] = {
    {"Yes", "&Yes", mrYes},
    {"No", "&No", mrNo},
    {"OK", "OK", mrOk},
    {"Cancel", "Cancel", mrCancel},
    {"Abort", "&Abort", mrAbort},
    {"Retry", "&Retry", mrRetry},
    {"Ignore", "&Ignore", mrIgnore},
    {"All", "&All", mrAll},
    {"NoToAll", "N&o to All", mrNoToAll},
    {"YesToAll", "Yes to &All", mrYesToAll},
    {"Help", "&Help", mrNone},
};

const char* CaptionOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return "Warning";
    case mtError:
        return "Error";
    case mtInformation:
        return "Information";
    case mtConfirmation:
        return "Confirm";
    default:
        return nullptr;
    }
}

void DrawIcon(TBitmap* target, TMsgDlgType type) {
    QStyle::StandardPixmap sp;
    switch (type) {
    case mtWarning:
        sp = QStyle::SP_MessageBoxWarning;
        break;
    case mtError:
        sp = QStyle::SP_MessageBoxCritical;
        break;
    case mtInformation:
        sp = QStyle::SP_MessageBoxInformation;
        break;
    case mtConfirmation:
        sp = QStyle::SP_MessageBoxQuestion;
        break;
    default:
        return;
    }
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(ColorToQColor(clBtnFace));
    QPainter p(&img);
    QApplication::style()->standardIcon(sp).paint(&p, QRect(0, 0, 32, 32));
    p.end();
    target->SetImage(img);
}
} // namespace

std::string MsgDlgButtonName(TMsgDlgBtn b) {
    return kButtons[b].name;
}
TModalResult MsgDlgButtonResult(TMsgDlgBtn b) {
    return kButtons[b].result;
}

TForm* CreateMessageDialog(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons) {
    TForm* f = Create<TForm>(nullptr);
    f->SetBorderStyle(bsDialog);
    f->SetBorderIcons({biSystemMenu});
    f->SetPosition(poScreenCenter);
    const char* caption = CaptionOf(type);
    f->SetCaption(caption ? caption : Application->Title());

    constexpr int kMargin = 12, kGap = 8, kButtonHeight = 25, kIcon = 32;
    QFontMetrics fm(f->Font()->ToQFont());
    bool hasIcon = type != mtCustom;
    int textLeft = kMargin + (hasIcon ? kIcon + kMargin : 0);

    if (hasIcon) {
        auto* image = new TImage(f);
        image->SetName("Image");
        image->SetParent(f);
        image->SetBounds(kMargin, kMargin, kIcon, kIcon);
        DrawIcon(image->Picture(), type);
    }

    auto* label = new TLabel(f);
    label->SetName("Message");
    label->SetParent(f);
    label->SetShowAccelChar(false);
    int maxText = 420;
    QRect tr = fm.boundingRect(QRect(0, 0, maxText, 10000), Qt::TextWordWrap,
                               QString::fromStdString(message));
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetCaption(message);
    label->SetBounds(textLeft, kMargin, std::max(tr.width(), 1) + 4, tr.height());
    int textBottom = std::max(kMargin + tr.height(), hasIcon ? kMargin + kIcon : 0);

    // Buttons: as wide as the widest caption needs, centred under the text.
    std::vector<TMsgDlgBtn> list;
    for (int b = mbYes; b <= mbHelp; ++b)
        if (buttons.Contains(static_cast<TMsgDlgBtn>(b)))
            list.push_back(static_cast<TMsgDlgBtn>(b));
    int bw = 75;
    for (TMsgDlgBtn b : list) {
        QString cap = QString(kButtons[b].caption).remove('&');
        bw = std::max(bw, fm.horizontalAdvance(cap) + 16);
    }
    int rowWidth = static_cast<int>(list.size()) * bw + std::max(0, int(list.size()) - 1) * kGap;
    int clientWidth = std::max(textLeft + tr.width() + kMargin, rowWidth + 2 * kMargin);
    int top = textBottom + 2 * kGap;
    int x = (clientWidth - rowWidth) / 2;
    TMsgDlgBtn def = buttons.Contains(mbOK)    ? mbOK
                     : buttons.Contains(mbYes) ? mbYes
                     : list.empty()            ? mbOK
                                               : list.front();
    TMsgDlgBtn cancel = buttons.Contains(mbCancel) ? mbCancel
                        : buttons.Contains(mbNo)   ? mbNo
                                                   : mbOK;
    for (TMsgDlgBtn b : list) {
        auto* btn = new TButton(f);
        btn->SetName(kButtons[b].name);
        btn->SetParent(f);
        btn->SetCaption(kButtons[b].caption);
        btn->SetModalResult(kButtons[b].result);
        btn->SetBounds(x, top, bw, kButtonHeight);
        if (b == def) {
            btn->SetDefault(true);
            f->SetActiveControl(btn);
        }
        if (b == cancel && buttons.Contains(cancel))
            btn->SetCancel(true);
        x += bw + kGap;
    }
    f->SetClientWidth(clientWidth);
    f->SetClientHeight(top + kButtonHeight + kMargin);
    return f;
}

int MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int) {
    TForm* dlg = CreateMessageDialog(message, type, buttons);
    int result = mrNone;
    try {
        result = dlg->ShowModal();
    } catch (...) {
        dlg->Free();
        throw;
    }
    dlg->Free();
    return result;
}

void ShowMessage(const std::string& message) {
    MessageDlg(message, mtCustom, {mbOK});
}
