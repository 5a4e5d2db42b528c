#pragma once

#include "platform/ClockService.h"

class SystemClock : public ClockService {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
