#pragma once

#include <QString>

// Button styles and answers of the program's modal message boxes.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbExclamation = 48,
};

enum MsgBoxResult : int {
    vbOK = 1,
    vbYes = 6,
    vbNo = 7,
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows a modal box and returns the button pressed (vbOK, vbYes or vbNo).
    virtual int MsgBox(const QString &text, int style, const QString &title) = 0;
};
