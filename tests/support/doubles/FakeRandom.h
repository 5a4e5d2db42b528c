#pragma once

#include "platform/RandomService.h"

class FakeRandom : public RandomService {
public:
    void Randomize(double value) override { seed = value; }
    double Rnd() override { return next; }

    double seed = -1;
    double next = 0.5;
};
