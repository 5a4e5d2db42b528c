#pragma once

#include "platform/NotifyIconData.h"
#include "tray/Picture.h"

#include <QObject>
#include <QString>

#include <cstdint>

class TrayService;

// The notification-area icon of one window: its picture and tooltip, balloons from
// it, and the mouse activity over it as events. The tray's callbacks reach it
// through the hook of mSysTray while it is in the tray.
class cSysTray : public QObject {
    Q_OBJECT

public:
    explicit cSysTray(TrayService &tray, QObject *parent = nullptr);
    ~cSysTray() override;

    Picture TrayIcon() const { return m_icon; }
    void setTrayIcon(const Picture &icon);
    QString TrayTip() const { return m_tip; }
    void setTrayTip(const QString &tip);
    // The control's standard text is its tooltip.
    QString Text() const { return TrayTip(); }
    void setText(const QString &text) { setTrayTip(text); }
    bool InTray() const { return m_inTrayValue; }
    void setInTray(bool show);

    // Shows a balloon and waits, events running, until it is gone or `showTimer`
    // seconds have passed. Throws Failure when `showTimer` overflows milliseconds.
    void ShowBalloon(const QString &tip, const QString &title, std::int32_t showTimer, bool showOnce);

    // Called by the hook with a callback's mouse or balloon message and icon id.
    void TrayNotify(std::uint32_t message, std::uint32_t id);

    bool balloonShowing() const { return m_balloonShowing; }
    std::int32_t onceCount() const { return m_onceCount; }

signals:
    void MouseMove(std::int32_t id);
    void MouseDown(std::int16_t button, std::int32_t id);
    void MouseUp(std::int16_t button, std::int32_t id);
    void MouseDblClick(std::int16_t button, std::int32_t id);
    void balloonGone();

private:
    void AddIcon(QObject *window, std::uint32_t id, const QString &tip, const Picture &icon);
    void DeleteIcon(QObject *window, std::uint32_t id);
    // A record naming the icon; the operations add what they change.
    static NotifyIconData record(QObject *window, std::uint32_t id);

    TrayService &m_tray;
    bool m_inTrayValue = false;
    const std::uint32_t m_iconId = 0;
    QString m_tip;
    QObject *const m_windowHandle = this;
    Picture m_icon;
    bool m_iconAdded = false;
    bool m_balloonShowing = false;
    std::int32_t m_onceCount = 0;
};
