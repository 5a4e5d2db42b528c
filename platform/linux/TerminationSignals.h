#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// SIGTERM, SIGINT and SIGHUP (log-out, shutdown, Ctrl+C) as a Qt signal on the
// user-interface thread. The handler only writes a byte to a pipe; everything
// else happens when the event loop reads it.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    TerminationSignals();
    ~TerminationSignals() override;

signals:
    void requested();

private:
    void drain();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
