#pragma once

#include "platform/Clock.h"

class FakeClock : public ClockService {
public:
    QDateTime now() const override { return time; }

    QDateTime time;
};
