#include "Countdown.h"

#include "platform/Failure.h"

#include <limits>

void Countdown::tick()
{
    if (m_counter == std::numeric_limits<std::int32_t>::max())
        throw Failure(QStringLiteral("The auto-free count overflowed."));
    ++m_counter;
    if (m_counter > m_seconds)
        m_counter = 1;
}
