// Start-up of the main window.
#include "app/ErrorTrap.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "app/SettingsValues.h"
#include "memory/IntervalSave.h"
#include "platform/ClockService.h"
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "platform/ProcessService.h"
#include "platform/RandomService.h"
#include "platform/ShellService.h"
#include "platform/mStartUp.h"
#include "tray/cSysTray.h"
#include "ui/Form1.h"
#include "ui/HandCursor.h"
#include "ui/ProgramIcon.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace {

// A cursor file is a few kilobytes; this bounds what a stray file can cost.
constexpr qint64 MaxCursorBytes = 1024 * 1024;

} // namespace

void Form1::Form_Load()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.Form_Load"), m_platform.msgBox);
    trap.step(100, [&] { ApplySkin(); });
    trap.step(104, [&] { m_isLoading = true; });
    trap.step(106, [&] { setWindowTitle(Globals::ProductName); });
    trap.step(106, [&] { setWindowIcon(ProgramIcon::application()); });
    trap.step(106, [&] { Globals::AppTitle = Main::MakeAppTitle(Globals::ProductName); });
    trap.step(108, [&] { MaybeOpenHomePage(); });
    loadHoverCursor(trap);
    fillIntervalList(trap);
    // The file is read once; a key it lacks, or a file that cannot be read, gives
    // what a first start has.
    QMap<QString, QString> saved;
    trap.step(156, [&] { saved = readSettingsAtStart(); });
    restoreInterval(trap, saved);
    restoreAutoFree(trap, saved);
    trap.step(176, [&] { m_cSysTray1->setText(Globals::ProductName); });
    trap.step(178, [&] { m_cSysTray1->setInTray(true); });
    restoreStartUpBoxes(trap, saved);
    trap.step(192, [&] { Globals::HistoryLogPath = IntervalSave::HistoryLogPathFor(m_platform.environment); });
    trap.step(194, [&] { m_isLoading = false; });
}

void Form1::loadHoverCursor(ErrorTrap &trap)
{
    const QString cursorPath = m_platform.process.programFolder() + QStringLiteral("/HAND-M.CUR");
    if (trap.test(126, [&] { return Main::FileExists(m_platform.files, cursorPath); }))
        trap.step(
            128, [&] { setMouseIcon(HandCursor::load(m_platform.files.readProgramFile(cursorPath, MaxCursorBytes))); });
}

void Form1::fillIntervalList(ErrorTrap &trap)
{
    trap.step(130, [&] {
        const QString question = QStringLiteral("How often would you like to free memory?");
        m_listView1->setHeaderLabels({question});
        m_listView1->setAccessibleName(question); // the list's caption is its header
    });
    trap.step(132, [&] { m_listView1->setColumnWidth(0, tw(6400)); });
    int step = 134;
    for (const IntervalSave::Interval &row : IntervalSave::Intervals) {
        trap.step(step, [&] { new QTreeWidgetItem(m_listView1, {row.text}); });
        step += 2;
    }
}

void Form1::restoreInterval(ErrorTrap &trap, const QMap<QString, QString> &saved)
{
    int savedIndex = 0;
    trap.step(156, [&] {
        const QString text = SettingsValues::value(saved, SettingsValues::Key::OftenIndex);
        const std::optional<qint16> value = SettingsValues::OftenIndex(text);
        if (!value)
            throw Failure(QStringLiteral("The stored interval %1 is not a number from 1 to 11.")
                              .arg(SettingsValues::Quoted(text)));
        savedIndex = *value;
    });
    trap.step(158, [&] { selectRow(savedIndex); });
}

void Form1::restoreAutoFree(ErrorTrap &trap, const QMap<QString, QString> &saved)
{
    QString savedState;
    trap.step(160, [&] { savedState = SettingsValues::value(saved, SettingsValues::Key::StartStopState); });
    if (trap.test(162, [&] { return SettingsValues::IsOff(savedState); })) {
        trap.step(164, [&] { m_pushButton5->setText(Globals::TurnOnAutoFree); });
        trap.step(166, [&] { setStatusCaption(QStringLiteral("Auto Free is Turned Off.")); });
        trap.step(168, [&] { setTimer1Interval(0); });
    } else if (trap.test(170, [&] { return SettingsValues::IsOn(savedState); })) {
        trap.step(172, [&] { m_pushButton5->setText(Globals::TurnOffAutoFree); });
        trap.step(174, [&] { setTimer1Interval(1000); });
    }
}

void Form1::restoreStartUpBoxes(ErrorTrap &trap, const QMap<QString, QString> &saved)
{
    // The entry, not the stored word, says whether the program starts at logon:
    // another user, a package removal or a hand edit may have changed it since.
    // The word is left as it is: every start looks at the entry again.
    trap.step(180, [&] { m_check4->setChecked(mStartUp::IsInStartup(m_platform.process, m_platform.autostart)); });
    trap.step(182, [&] {
        m_check8->setChecked(SettingsValues::IsOn(SettingsValues::value(saved, SettingsValues::Key::Minimized)));
    });
    if (trap.test(184, [&] { return m_check4->isChecked(); })) {
        trap.step(186, [&] { m_check8->setVisible(true); });
        if (trap.test(188, [&] { return m_check8->isChecked(); }))
            trap.step(190, [&] { minimizeAtStart(); });
    } else {
        trap.step(192, [&] { m_check8->setVisible(false); });
    }
}

// About one start in a hundred visits the maker's home page.
void Form1::MaybeOpenHomePage()
{
    m_platform.random.Randomize(m_platform.clock.now().time().msecsSinceStartOfDay() / 1000);
    const int r = int(m_platform.random.Rnd() * 100) + 1;
    if (r != 7)
        return;
    m_platform.shell.openUrl(Globals::HomePageUrl, [msgBox = &m_platform.msgBox](const QString &why) {
        ErrorTrap::ShowErrorBox(*msgBox, ErrorTrap::location(u"Form1.Form_Load"), why, 108);
    });
}

void Form1::showAfterLoad()
{
    if (!Globals::HiddenInTray)
        show();
}

// Selecting in code is not a click: nothing is saved and the countdown goes on.
void Form1::selectRow(int position)
{
    QTreeWidgetItem *item = m_listView1->topLevelItem(position - 1);
    if (!item)
        throw Failure(QStringLiteral("There is no interval number %1; choose one from the list.").arg(position));
    const QSignalBlocker blocker(m_listView1);
    m_listView1->setCurrentItem(item);
    m_listView1->scrollToItem(item);
}
