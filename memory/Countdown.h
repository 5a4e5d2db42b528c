#pragma once

#include <cstdint>

// The auto-free countdown: seconds counted towards the chosen interval, one tick a
// second. The interval is set afresh before each tick, as the list may have changed.
class Countdown {
public:
    // Counts one second. An interval shortened below the count starts afresh instead
    // of counting past it, when no free would ever come. Throws Failure when the
    // count cannot go on.
    void tick();
    // The next tick is the first second of the interval.
    void restart() { m_counter = 0; }

    std::int32_t counter() const { return m_counter; }
    int seconds() const { return m_seconds; }
    void setSeconds(int seconds) { m_seconds = seconds; }
    // Whether the count fits on a progress bar running to the interval.
    bool withinInterval() const { return m_counter <= m_seconds; }
    std::int32_t secondsLeft() const { return m_seconds - m_counter; }
    // The tick whose count reaches the interval is the one that frees.
    bool isDue() const { return m_counter == m_seconds; }

private:
    std::int32_t m_counter = 0;
    int m_seconds = 0;
};
