#pragma once

#include "platform/ClipboardService.h"

// The desktop clipboard (the CLIPBOARD selection on X11).
class QtClipboard : public ClipboardService {
public:
    void setText(const QString &text) override;
};
