#pragma once

#include <QDateTime>

class ClockService {
public:
    virtual ~ClockService() = default;
    virtual QDateTime now() const = 0;
};
