// Message dialogs. Each dialog is an ordinary form shown with ShowModal, so it passes the
// modal seam (Forms.h) like every other modal window.
#pragma once

#include "Forms.h"

#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// The component name of a dialog button ("Yes", "NoToAll", ...) and its modal result.
std::string MsgDlgButtonName(TMsgDlgBtn button);
TModalResult MsgDlgButtonResult(TMsgDlgBtn button);

// A dialog form: an image "Image", a label "Message" and one button per requested button,
// named as MsgDlgButtonName gives, each with its modal result. The caller owns (frees) it.
TForm* CreateMessageDialog(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons);
// Shows such a dialog modally and returns the modal result.
int MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons,
               int helpContext = 0);
void ShowMessage(const std::string& message);
