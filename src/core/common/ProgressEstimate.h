#pragma once

#include <QString>

namespace tq {

// Counts and time estimate of a progress window. The window's timer calls
// tick() every 100 ms; after five seconds, once a part is done, the labels
// carry the time spent and the time still needed.
class ProgressEstimate {
public:
    void start(int total, int done);
    void setDone(int done) { m_done = done; }
    void advance() { ++m_done; }
    void tick();

    int total() const { return m_total; }
    int done() const { return m_done; }
    int ticks() const { return m_ticks; }
    // Estimated ticks still needed; -1 until there is an estimate.
    int remainingTicks() const { return m_remaining; }
    bool complete() const { return m_total > 0 && m_done >= m_total; }

    const QString &doneText() const { return m_doneText; }
    const QString &leftText() const { return m_leftText; }

private:
    void countsOnly();

    int m_total = 0;
    int m_done = 0;
    int m_ticks = 0;
    int m_remaining = -1;
    QString m_doneText;
    QString m_leftText;
};

} // namespace tq
