// The main window's free button and history-log buttons.
#include "ui/Form1.h"

#include "app/ErrorTrap.h"
#include "app/Failure.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "memory/IntervalSave.h"
#include "platform/Clipboard.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QProgressBar>

#include <optional>

void Form1::PushButton6_Click()
{
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.Form1.PushButton6_Click "), m_platform.msgBox);
    QString caption;
    trap.step(100, [&] { caption = m_frame2->title(); });
    trap.step(102, [&] { m_frame2->setTitle(QStringLiteral("Freeing Memory...")); });
    trap.step(104, [&] { QCoreApplication::processEvents(); });
    trap.step(106, [&] { setMousePointer(vbHourglass); });
    trap.step(108, [&] { IntervalSave::FreeMemoryNow(m_platform); });
    trap.step(110, [&] { setMousePointer(vbDefault); });
    trap.step(112, [&] {
        m_progressBar1->setValue(0);
        m_progressBar1->setFormat(QStringLiteral("Progress Bar"));
    });
    trap.step(114, [&] { m_frame2->setTitle(caption); });
}

void Form1::PushButton1_Click()
{
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.Form1.PushButton1_Click "), m_platform.msgBox);
    if (trap.test(100, [&] { return Main::FileExists(Globals::HistoryLogPath); })) {
        trap.step(102, [&] { m_platform.shell.openTextFile(Globals::HistoryLogPath); });
    } else {
        trap.step(104, [&] {
            m_platform.msgBox.MsgBox(
                QStringLiteral("There isn't a history to view because actions have not been performed yet."),
                vbOKOnly, Globals::AppTitle);
        });
    }
}

void Form1::PushButton2_Click()
{
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.Form1.PushButton2_Click "), m_platform.msgBox);
    if (trap.test(100, [&] { return Main::FileExists(Globals::HistoryLogPath); })) {
        // A log that cannot be read leaves the clipboard as it was: copying older
        // text would pass it off as the history.
        std::optional<QString> text;
        trap.step(102, [&] {
            QFile file(Globals::HistoryLogPath);
            if (!file.open(QIODevice::ReadOnly))
                throw Failure(QStringLiteral("The history log %1 could not be read: %2")
                                  .arg(Globals::HistoryLogPath, file.errorString()));
            text = QString::fromUtf8(file.readAll());
        });
        trap.step(108, [&] {
            if (text)
                m_platform.clipboard.setText(*text);
        });
    }
}

void Form1::PushButton12_Click()
{
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.Form1.PushButton12_Click "), m_platform.msgBox);
    int answer = 0;
    trap.step(100, [&] {
        answer = m_platform.msgBox.MsgBox(
            QStringLiteral("Are you sure you want to delete the history log and start over?"), vbYesNo,
            Globals::AppTitle);
    });
    trap.step(102, [&] {
        if (answer == vbYes)
            Main::DeleteFileForced(Globals::HistoryLogPath);
    });
}
