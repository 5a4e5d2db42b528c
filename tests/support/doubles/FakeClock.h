#pragma once

#include "platform/ClockService.h"

class FakeClock : public ClockService {
public:
    QDateTime now() const override { return time; }

    QDateTime time;
};
