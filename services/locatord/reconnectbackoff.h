// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RECONNECTBACKOFF_H
#define RECONNECTBACKOFF_H

#include <chrono>

/*
 * Waits between attempts to reach a receiver: one second after the first failure, twice as
 * long after each further one, never more than a minute. A receiver that is out of range is
 * asked rarely, never in a loop.
 */
class ReconnectBackoff
{
public:
    static constexpr std::chrono::milliseconds first{1000};
    static constexpr std::chrono::milliseconds most{60000};

    // The wait before the next attempt; each call doubles the one after.
    std::chrono::milliseconds next();
    void reset() { m_next = first; }

private:
    std::chrono::milliseconds m_next = first;
};

#endif
