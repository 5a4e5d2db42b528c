#include "SeededRandom.h"

#include <cmath>

void SeededRandom::Randomize(double seed)
{
    m_generator.seed(quint32(std::llround(std::fabs(seed))));
}

double SeededRandom::Rnd()
{
    return m_generator.generateDouble();
}
