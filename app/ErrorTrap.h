#pragma once

#include <QString>

#include <functional>

class MessageBoxService;

// Error trapping for a routine whose statements are numbered steps. A failing step
// shows the one error box with the routine's location and the step number; the
// routine then goes on with its next statement.
class ErrorTrap {
public:
    ErrorTrap(QString location, MessageBoxService &msgBox);

    // Runs one statement as step `number`.
    void step(int number, const std::function<void()> &statement);
    // Tests a condition as step `number`. A test that fails continues into its
    // first branch, so the result is then true.
    bool test(int number, const std::function<bool()> &condition);

    int StepNumber() const { return m_stepNumber; }

    // The location text of a routine, e.g. "Form1.Timer1"; the one place its form is written.
    static QString location(QStringView routine);

    // The error box's text for a failure at `step` of the routine at `location`.
    static QString errorText(const QString &description, const QString &location, int step);
    // Shows the one error box, titled "Application Error", and returns when it is dismissed.
    static void ShowErrorBox(MessageBoxService &msgBox, const QString &location, const QString &description, int step);

private:
    void report(const QString &description);

    QString m_location;
    MessageBoxService &m_msgBox;
    int m_stepNumber = 0;
};
