#pragma once

#include "platform/MessageBoxService.h"

#include <QList>

// Records every box and answers with a scripted button.
class FakeMessageBox : public MessageBoxService {
public:
    struct Shown {
        QString text;
        int style;
        QString title;
    };

    int MsgBox(const QString &text, int style, const QString &title) override
    {
        shown.append({text, style, title});
        return answer;
    }

    QList<Shown> shown;
    int answer = vbOK;
};
