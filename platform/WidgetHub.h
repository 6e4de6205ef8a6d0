// Internal: the one Qt object that watches the controls' widgets, follows the keyboard focus
// and delivers posted messages.
#pragma once

#include <QObject>

class TWidgetHub : public QObject {
public:
    static TWidgetHub& Instance();
    void EnsureConnected();
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    TWidgetHub();
    bool connected_ = false;
};
