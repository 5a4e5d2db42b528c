#pragma once

#include <QString>

class ClipboardService {
public:
    virtual ~ClipboardService() = default;
    virtual void setText(const QString &text) = 0;
};
