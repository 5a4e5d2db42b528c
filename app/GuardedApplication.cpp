#include "GuardedApplication.h"

#include "app/ErrorTrap.h"

#include <exception>

GuardedApplication::GuardedApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    if (!m_msgBox)
        return QApplication::notify(receiver, event);
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        // Every handler is meant to trap its own failures; one that did not is named
        // by the object it reached, at step 0 as no step of a routine ran it.
        const QString name = receiver->objectName();
        ErrorTrap::ShowErrorBox(
            *m_msgBox, ErrorTrap::location(name.isEmpty() ? QLatin1String(receiver->metaObject()->className()) : name),
            QString::fromUtf8(e.what()), 0);
        return false;
    }
}
