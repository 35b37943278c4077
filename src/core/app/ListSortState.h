#pragma once

#include <QString>
#include <Qt>

namespace tq {

// The title-click sort of the record lists. The direction alternates with
// every click, whichever column is clicked: state 1 sorts the next click
// descending, states 0 and 2 ascending. The clicked title carries ▲ or ▼ and
// is highlighted; the previously sorted title gets its plain caption back.
class ListSortState {
public:
    void reset(int state = 1)
    {
        m_state = state;
        m_column = -1;
    }
    // Marks a column as sorted without sorting (a list that opens sorted).
    void markSorted(int column, int state)
    {
        m_column = column;
        m_state = state;
    }
    // The direction for a click on `column`; the state moves on.
    Qt::SortOrder click(int column)
    {
        const bool descending = m_state == 1;
        m_state = descending ? 2 : 1;
        m_column = column;
        return descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    int state() const { return m_state; }
    int sortedColumn() const { return m_column; }
    QString title(int column, const QString &hint) const
    {
        if (column != m_column)
            return hint;
        return hint + (m_state == 2 ? QStringLiteral("▼") : QStringLiteral("▲"));
    }

private:
    int m_state = 1;
    int m_column = -1;
};

} // namespace tq
