#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <vector>

// SIGTERM, SIGINT and SIGHUP (log-out, shutdown, Ctrl+C) as a Qt signal on the
// user-interface thread. The handler only writes a byte to a pipe; everything
// else happens when the event loop reads it, so it is made only once the loop
// runs. Until then, and after a first signal, a signal ends the process at once.
// A signal ignored at start is left ignored.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // The dispositions the program runs with, set as the first thing it does.
    // SIGTERM takes its default action whatever the parent left, and none of the
    // three stays blocked, so that a start that blocks still ends; SIGHUP and
    // SIGINT that the parent left ignored (nohup) stay ignored. A write past the
    // file size limit or into a closed pipe fails with an error that the writer
    // reports, rather than ending the program.
    static void prepareProcess();

    TerminationSignals();
    ~TerminationSignals() override;

signals:
    void requested();

private:
    void drain();

    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<int> m_handled; // the signals given to the handler
};
