#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// SIGTERM, SIGINT and SIGHUP (log-out, shutdown, Ctrl+C) as a Qt signal on the
// user-interface thread. The handler only writes a byte to a pipe; everything
// else happens when the event loop reads it, so it is made only once the loop
// runs. Until then, and after a first signal, a signal ends the process at once.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // The default action for all three, whatever the parent left ignored or
    // blocked: the first thing the program does, so that a start that blocks ends.
    static void restoreDefaults();

    TerminationSignals();
    ~TerminationSignals() override;

signals:
    void requested();

private:
    void drain();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
