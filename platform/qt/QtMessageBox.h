#pragma once

#include "platform/MessageBoxService.h"

class QWidget;

class QtMessageBox : public MessageBoxService {
public:
    int MsgBox(const QString &text, int style, const QString &title) override;
};
