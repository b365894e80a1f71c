// SPDX-License-Identifier: GPL-2.0-or-later
#include "reconnectbackoff.h"

#include <algorithm>

std::chrono::milliseconds ReconnectBackoff::next()
{
    const std::chrono::milliseconds wait = m_next;
    m_next = std::min(m_next * 2, most);
    return wait;
}
