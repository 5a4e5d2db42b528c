#pragma once

// A pseudo-random source that the program seeds itself.
class RandomService {
public:
    virtual ~RandomService() = default;
    virtual void Randomize(double seed) = 0;
    // The next number in [0, 1).
    virtual double Rnd() = 0;
};
