#pragma once

#include "platform/ClipboardService.h"

class FakeClipboard : public ClipboardService {
public:
    void setText(const QString &value) override
    {
        text = value;
        ++sets;
    }

    QString text = QStringLiteral("<untouched>");
    int sets = 0;
};
