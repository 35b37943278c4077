#include "common/ProgressEstimate.h"

#include <cmath>

namespace tq {

void ProgressEstimate::start(int total, int done)
{
    m_total = total;
    m_done = done;
    m_ticks = 0;
    m_remaining = -1;
    countsOnly();
}

void ProgressEstimate::countsOnly()
{
    m_doneText = QStringLiteral("已完成 %1").arg(m_done);
    m_leftText = QStringLiteral("待完成 %1").arg(m_total - m_done);
}

void ProgressEstimate::tick()
{
    ++m_ticks;
    if (m_ticks > 50 && m_done > 0) {
        const double r = std::ceil(double(m_ticks) / m_done * (m_total - m_done));
        m_remaining = int(r);
        m_doneText = QStringLiteral("已完成 %1 用时%2秒").arg(m_done).arg(m_ticks / 10);
        m_leftText = QStringLiteral("待完成 %1 尚需%2秒").arg(m_total - m_done).arg(int(std::ceil(r / 10.0)));
    } else {
        countsOnly();
    }
}

} // namespace tq
