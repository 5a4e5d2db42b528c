#include "ErrorTrap.h"

#include "app/Globals.h"
#include "platform/Failure.h"
#include "platform/MessageBoxService.h"

#include <exception>

ErrorTrap::ErrorTrap(QString location, MessageBoxService &msgBox)
    : m_location(std::move(location))
    , m_msgBox(msgBox)
{
}

void ErrorTrap::step(int number, const std::function<void()> &statement)
{
    m_stepNumber = number;
    try {
        statement();
    } catch (const std::exception &e) {
        report(QString::fromUtf8(e.what()));
    }
}

bool ErrorTrap::test(int number, const std::function<bool()> &condition)
{
    m_stepNumber = number;
    try {
        return condition();
    } catch (const std::exception &e) {
        report(QString::fromUtf8(e.what()));
        return true;
    }
}

QString ErrorTrap::location(QStringView routine)
{
    return QStringLiteral("in Memvane2021/08/31.%1 ").arg(routine);
}

QString ErrorTrap::errorText(const QString &description, const QString &location, int step)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(step)
        + QStringLiteral("\r\rPlease email screenshot of this message to ") + Globals::SupportEmail;
}

void ErrorTrap::ShowErrorBox(MessageBoxService &msgBox, const QString &location, const QString &description, int step)
{
    msgBox.MsgBox(errorText(description, location, step), vbExclamation, QStringLiteral("Application Error"));
}

void ErrorTrap::report(const QString &description)
{
    ShowErrorBox(m_msgBox, m_location, description, m_stepNumber);
}
