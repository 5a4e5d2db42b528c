#pragma once

#include "Clock.h"

class SystemClock : public ClockService {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
