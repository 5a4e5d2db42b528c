#pragma once

#include <QObject>
#include <QPointer>

class cSysTray;

// The hook that hands the tray's callbacks to the control in the tray. It filters
// the control's own object and passes every event on.
namespace mSysTray {

// Puts the hook in front of `window`'s own event handling; the control is borrowed.
// Throws Failure when another control is already in the tray.
void install(QObject *window, cSysTray *control);
// Takes the hook away again.
void remove(QObject *window);
bool isInstalled();

class TrayWindowProc : public QObject {
    Q_OBJECT

public:
    explicit TrayWindowProc(cSysTray *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<cSysTray> m_control;
};

} // namespace mSysTray
