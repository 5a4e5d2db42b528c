#pragma once

#include "app/SettingsValues.h"
#include "memory/Countdown.h"
#include "platform/Platform.h"
#include "ui/SkinFramework.h"

#include <QCursor>
#include <QDateTime>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class ErrorTrap;
class QCheckBox;
class QFocusFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTreeWidget;
class cSysTray;

// The main window. Its handlers live with the subsystem whose behaviour they are:
// start-up and closing in app/, history and scheduler in memory/, minimize to tray
// in tray/, layout, pointer and RAM panel here.
class Form1 : public QWidget {
    Q_OBJECT

public:
    // Mouse-pointer shapes of the window.
    enum MousePointer { vbDefault = 0, vbHourglass = 11, vbCustom = 99 };

    explicit Form1(Platform platform, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: runs once, after construction and before the window is first shown.
    void Form_Load();
    // Shows the window as start-up left it: not at all when it went to the tray.
    void showAfterLoad();

    // The optional skin from the program folder.
    void ApplySkin();

    // Timer2: refreshes the RAM panel.
    void Timer2_Timer();
    void PushButton11_Click();

    // The free and the history log.
    void PushButton6_Click();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton12_Click();

    // The auto-free scheduler.
    void Timer1_Timer();
    void ListView1_Click();
    void PushButton5_Click();
    int Timer1Interval() const { return m_timer1.isActive() ? m_timer1.interval() : 0; }
    void setTimer1Interval(int milliseconds);
    std::int32_t autoFreeCounter() const { return m_countdown.counter(); }

    // Minimize to tray and restore.
    void Form_Resize();
    void cSysTray1_MouseUp(std::int16_t button, std::int32_t id);
    void Check8_Click();
    cSysTray *trayControl() const { return m_cSysTray1; }
    // A notification area came or went.
    void trayAvailabilityChanged(bool available);

    // Start at logon.
    void Check4_Click();

    // Closing: stops the scheduler and takes the icon out of the tray, then ends.
    void Form_QueryUnload();
    void Form_Unload();

    MousePointer mousePointer() const { return m_mousePointer; }
    void setMousePointer(MousePointer pointer);
    void setMouseIcon(const QCursor &cursor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createStatusFrame(QWidget *content);
    void createRamFrame(QWidget *content);
    void createList(QWidget *content);
    void createStartupFrame(QWidget *content);
    void createButtons(QWidget *content);
    void applyColours();
    void showSkinBackground();
    void wearSkin();
    void setTabOrder();
    void hoverOver(MousePointer shape);
    void connectHandlers();
    void selectRow(int position);
    QString selectedRowText() const;
    // The status line, the caption of Frame2.
    void setStatusCaption(const QString &caption);
    void MaybeOpenHomePage();
    // The steps of Form_Load that run under its trap, in its order.
    void loadHoverCursor(ErrorTrap &trap);
    void fillIntervalList(ErrorTrap &trap);
    void restoreInterval(ErrorTrap &trap, const QMap<QString, QString> &saved);
    void restoreAutoFree(ErrorTrap &trap, const QMap<QString, QString> &saved);
    void restoreStartUpBoxes(ErrorTrap &trap, const QMap<QString, QString> &saved);
    // The stored choices, read once; throws Failure saying what to do when the file
    // cannot be read.
    QMap<QString, QString> readSettingsAtStart();
    // Stores a choice, or leaves it waiting while another program holds the store;
    // storeSetting throws the failure, saveSetting tells it after `undo` put the
    // control back. False when it was refused.
    void storeSetting(const SettingsValues::Setting &setting, const QString &value);
    bool saveSetting(const SettingsValues::Setting &setting, const QString &value,
                     const std::function<void()> &undo = {});
    bool trySaving(const SettingsValues::Setting &setting, const QString &value, bool asked, QString &tell);
    void noteFailure(const std::exception &e, const QStringList &keys, bool asked, QString &tell);
    // A waiting save: tried again from the event loop, and once more at closing.
    void followWaitingSettings();
    void retryWaitingSettings();
    void saveWaitingAtQuit();
    void minimizeAtStart();
    void hideInTray();
    void showTrayBalloon();

    Platform m_platform;
    MousePointer m_mousePointer = vbDefault;
    // The default pointer until a cursor file is loaded.
    QCursor m_mouseIcon;
    bool m_isLoading = false; // true while Form_Load runs
    // The cause of the settings failure last told, while no save has worked since.
    QString m_settingsFailureTold;
    QDateTime m_settingsWaitingSince; // on the platform's clock; null while nothing waits
    bool m_settingsWaitTold = false;
    bool m_settingsRetryArmed = false;
    SkinFramework m_skinFramework1;
    // Set once the skin recoloured the window: a new desktop scheme recolours it again.
    bool m_skinBackground = false;
    // When a start that asked for the tray began to wait for a tray host; on the
    // platform's clock, so that the wait can be tested without waiting.
    std::optional<QDateTime> m_trayWaitFrom;

    Countdown m_countdown;
    QString m_savedStatusCaption;
    // Set by a mouse press on the list, cleared when that press changed the
    // selection, so that one click is handled once.
    bool m_listPressPending = false;

    QScrollArea *m_scrollArea = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QGroupBox *m_frame2 = nullptr;
    QGroupBox *m_frame3 = nullptr;
    QProgressBar *m_progressBar1 = nullptr;
    QLabel *m_lblTotalRAM = nullptr;
    QLabel *m_lblFreeRAM = nullptr;
    QLabel *m_lblUsedRAM = nullptr;
    QTreeWidget *m_listView1 = nullptr;
    QFocusFrame *m_listFocusFrame = nullptr;
    QCheckBox *m_check4 = nullptr;
    QCheckBox *m_check8 = nullptr;
    QPushButton *m_pushButton5 = nullptr;
    QPushButton *m_pushButton6 = nullptr;
    QPushButton *m_pushButton1 = nullptr;
    QPushButton *m_pushButton2 = nullptr;
    QPushButton *m_pushButton11 = nullptr;
    QPushButton *m_pushButton12 = nullptr;
    cSysTray *m_cSysTray1 = nullptr;
    QTimer m_timer1{this};
    QTimer m_timer2{this};
};
