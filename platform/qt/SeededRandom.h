#pragma once

#include "platform/RandomService.h"

#include <QRandomGenerator>

class SeededRandom : public RandomService {
public:
    void Randomize(double seed) override;
    double Rnd() override;

private:
    QRandomGenerator m_generator;
};
