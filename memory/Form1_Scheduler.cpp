// The main window's auto-free scheduler: the one-second tick, the interval list and
// the on/off button.
#include "app/DateTimeText.h"
#include "app/ErrorTrap.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "app/SettingsValues.h"
#include "memory/IntervalSave.h"
#include "platform/ClockService.h"
#include "ui/Form1.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

void Form1::setTimer1Interval(int milliseconds)
{
    if (milliseconds <= 0) {
        m_timer1.stop();
    } else {
        m_timer1.setInterval(milliseconds);
        if (!m_timer1.isActive())
            m_timer1.start();
    }
}

QString Form1::selectedRowText() const
{
    const QList<QTreeWidgetItem *> selected = m_listView1->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text(0);
}

void Form1::Timer1_Timer()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.Timer1"), m_platform.msgBox);
    if (trap.test(100, [&] { return Timer1Interval() == 0; })) {
        trap.step(102, [&] { setStatusCaption(QStringLiteral("Auto Free is Off.")); });
        return;
    }
    trap.step(104, [&] { m_countdown.setSeconds(IntervalSave::IntervalSeconds(selectedRowText())); });
    if (m_countdown.seconds() <= 0) {
        // No row chosen (a stored choice that is not in the list): ask for one in
        // the status line instead of an error box every second.
        setStatusCaption(QStringLiteral("Choose how often to free memory in the list below."));
        return;
    }
    trap.step(106, [&] { m_countdown.tick(); });
    trap.step(108, [&] { m_progressBar1->setMaximum(m_countdown.seconds()); });
    if (trap.test(110, [&] { return m_countdown.withinInterval(); }))
        trap.step(112, [&] { m_progressBar1->setValue(m_countdown.counter()); });
    trap.step(114, [&] {
        setStatusCaption(QStringLiteral("Next free will occur in ") + Main::FormatSeconds(m_countdown.secondsLeft()));
    });
    trap.step(116, [&] { QCoreApplication::processEvents(); });
    if (!trap.test(118, [&] { return m_countdown.isDue(); }))
        return;
    trap.step(120, [&] { m_savedStatusCaption = m_frame2->title(); });
    trap.step(122, [&] { setStatusCaption(QStringLiteral("Freeing memory is running in background...")); });
    trap.step(124, [&] { QCoreApplication::processEvents(); });
    trap.step(126, [&] { IntervalSave::FreeMemoryNow(m_platform); });
    trap.step(128, [&] {
        setStatusCaption(QStringLiteral("Auto Free Memory Complete at ") + DateTimeText(m_platform.clock.now()));
    });
    trap.step(136, [&] { QCoreApplication::processEvents(); });
    trap.step(138, [&] { setStatusCaption(m_savedStatusCaption); });
    trap.step(140, [&] { m_countdown.restart(); });
}

void Form1::ListView1_Click()
{
    const QList<QTreeWidgetItem *> selected = m_listView1->selectedItems();
    if (selected.isEmpty())
        return; // a row taken back with Ctrl+click: nothing chosen, nothing to save
    const int position = m_listView1->indexOfTopLevelItem(selected.first()) + 1;
    // The choice still takes effect when it cannot be stored; the user is told.
    saveSetting(SettingsValues::Key::OftenIndex, QString::number(position));
    m_countdown.setSeconds(IntervalSave::IntervalSeconds(selectedRowText()));
    m_countdown.restart();
}

void Form1::PushButton5_Click()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.PushButton5_Click"), m_platform.msgBox);
    if (trap.test(100, [&] { return m_pushButton5->text() == Globals::TurnOnAutoFree; })) {
        trap.step(102, [&] { m_pushButton5->setText(Globals::TurnOffAutoFree); });
        trap.step(104, [&] { setTimer1Interval(1000); });
        trap.step(106, [&] { storeSetting(SettingsValues::Key::StartStopState, SettingsValues::Word(true)); });
    } else if (trap.test(108, [&] { return m_pushButton5->text() == Globals::TurnOffAutoFree; })) {
        trap.step(110, [&] { m_pushButton5->setText(Globals::TurnOnAutoFree); });
        trap.step(112, [&] { setTimer1Interval(0); });
        trap.step(114, [&] { storeSetting(SettingsValues::Key::StartStopState, SettingsValues::Word(false)); });
    }
}
