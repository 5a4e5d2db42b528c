#pragma once

#include <QApplication>

class MessageBoxService;

// The application object with a last guard at the event loop: a failure that a
// handler let through shows the error box, and the program goes on, instead of
// ending with the exception.
class GuardedApplication : public QApplication {
    Q_OBJECT

public:
    GuardedApplication(int &argc, char **argv);

    // Where escaped failures are shown; until it is set they end the program as before.
    void setMessageBoxes(MessageBoxService *msgBox) { m_msgBox = msgBox; }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    MessageBoxService *m_msgBox = nullptr;
};
