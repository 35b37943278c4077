#pragma once

#include "query/SearchConditions.h"

#include <QDialog>
#include <functional>

class QToolButton;

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::gui {

class TButtonBox;
class TNumberEdit;

// What the query dialogs hand on: the result list for a condition, and the
// main list re-run afterwards.
struct QueryHooks {
    std::function<void(const query::SqlCondition &)> showResults;
    std::function<void()> refreshList; // errors of this step are not shown

    // A dialog found `condition`: the result list first, then the main list.
    void found(const query::SqlCondition &condition) const
    {
        if (showResults)
            showResults(condition);
        if (refreshList)
            refreshList();
    }
};

// 指标查询: the organisations whose value of one indicator lies in a range.
class TdlgDataSearchForm : public QDialog {
    Q_OBJECT
public:
    TdlgDataSearchForm(Session &session, Interaction &ui, QueryHooks hooks, QWidget *parent = nullptr);

    void DataFieldButtonClick();
    void tbSumClick();

    TButtonBox *dataField() const { return m_dataField; }
    TButtonBox *lc1() const { return m_lc1; }
    TButtonBox *lc3() const { return m_lc3; }
    TNumberEdit *number1() const { return m_number1; }
    TNumberEdit *number2() const { return m_number2; }

private:
    Session &m_session;
    Interaction &m_ui;
    QueryHooks m_hooks;
    TButtonBox *m_dataField, *m_lc1, *m_lc3;
    TNumberEdit *m_number1, *m_number2;
    QToolButton *m_tbSum, *m_tbReturn;
};

// Number boxes of the query dialogs: whole numbers up to 99999999.
TNumberEdit *queryNumberBox(const QString &name, QWidget *parent);
// The comparison an operator box and a number box give.
query::Comparison comparisonOf(const TButtonBox *op, const TNumberEdit *number);

} // namespace tq::gui
