// The main window's free button and history-log buttons.
#include "app/ErrorTrap.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "memory/IntervalSave.h"
#include "platform/ClipboardService.h"
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "platform/MessageBoxService.h"
#include "platform/ShellService.h"
#include "ui/Form1.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QProgressBar>

#include <optional>

namespace {

// The most of the log that is copied: far more than years of lines, and a bound
// on what a file planted at the log's path can make the program take in.
constexpr qint64 MaxCopyBytes = 64 * 1024 * 1024;

} // namespace

void Form1::PushButton6_Click()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.PushButton6_Click"), m_platform.msgBox);
    QString caption;
    trap.step(100, [&] { caption = m_frame2->title(); });
    trap.step(102, [&] { setStatusCaption(QStringLiteral("Freeing Memory...")); });
    trap.step(104, [&] { QCoreApplication::processEvents(); });
    trap.step(106, [&] { setMousePointer(vbHourglass); });
    trap.step(108, [&] { IntervalSave::FreeMemoryNow(m_platform); });
    trap.step(110, [&] { setMousePointer(vbDefault); });
    trap.step(112, [&] {
        m_progressBar1->setValue(0);
        m_progressBar1->setFormat(QStringLiteral("Progress Bar"));
    });
    trap.step(114, [&] { setStatusCaption(caption); });
}

void Form1::PushButton1_Click()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.PushButton1_Click"), m_platform.msgBox);
    if (trap.test(100, [&] { return Main::FileExists(m_platform.files, Globals::HistoryLogPath); })) {
        trap.step(102, [&] {
            // The editor must not be handed a link to, or a file of, someone else.
            m_platform.files.checkOwnFile(Globals::HistoryLogPath);
            m_platform.shell.openTextFile(Globals::HistoryLogPath, [msgBox = &m_platform.msgBox](const QString &why) {
                ErrorTrap::ShowErrorBox(*msgBox, ErrorTrap::location(u"Form1.PushButton1_Click"), why, 102);
            });
        });
    } else {
        trap.step(104, [&] {
            m_platform.msgBox.MsgBox(
                QStringLiteral("There isn't a history to view because actions have not been performed yet."), vbOKOnly,
                Globals::AppTitle);
        });
    }
}

void Form1::PushButton2_Click()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.PushButton2_Click"), m_platform.msgBox);
    // The file is opened and read once: whether it is there is known from the open,
    // and a file that is there but cannot be read is told at the load.
    std::optional<FileService::Text> log;
    std::optional<Failure> unread;
    const auto readLog = [&] {
        try {
            log = m_platform.files.readOwnText(Globals::HistoryLogPath, MaxCopyBytes);
            return true;
        } catch (const Failure &failure) {
            unread = failure;
            return Main::FileExists(m_platform.files, Globals::HistoryLogPath);
        }
    };
    if (trap.test(100, readLog)) {
        // A log that cannot be read leaves the clipboard as it was: copying older
        // text would pass it off as the history.
        trap.step(102, [&] {
            if (unread)
                throw *unread;
        });
        trap.step(108, [&] {
            if (!log)
                return;
            m_platform.clipboard.setText(log->text);
            if (log->replacedInvalidBytes)
                m_platform.msgBox.MsgBox(
                    QStringLiteral("Some bytes of the history log %1 are not UTF-8 text. They were copied as "
                                   "the replacement character \uFFFD.")
                        .arg(Globals::HistoryLogPath),
                    vbExclamation, Globals::AppTitle);
        });
    }
}

void Form1::PushButton12_Click()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.PushButton12_Click"), m_platform.msgBox);
    int answer = 0;
    trap.step(100, [&] {
        answer =
            m_platform.msgBox.MsgBox(QStringLiteral("Are you sure you want to delete the history log and start over?"),
                                     vbYesNo, Globals::AppTitle);
    });
    trap.step(102, [&] {
        if (answer != vbYes)
            return;
        if (const QString why = Main::DeleteFileForced(m_platform.files, Globals::HistoryLogPath); !why.isEmpty())
            throw Failure(QStringLiteral("The history log was not cleared. %1").arg(why));
    });
}
