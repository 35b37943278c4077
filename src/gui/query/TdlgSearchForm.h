#pragma once

#include "query/TdlgDataSearchForm.h"

#include <QDialog>

class QToolButton;

namespace tq {
class Interaction;
}

namespace tq::gui {

class TButtonBox;
class TNumberEdit;

// 查询数据: the organisations whose code lies in a range, or matches one or
// two comparisons.
class TdlgSearchForm : public QDialog {
    Q_OBJECT
public:
    TdlgSearchForm(Interaction &ui, QueryHooks hooks, QWidget *parent = nullptr);

    void tbSumClick();

    TButtonBox *lc1() const { return m_lc1; }
    TButtonBox *lc2() const { return m_lc2; }
    TButtonBox *lc3() const { return m_lc3; }
    TNumberEdit *number1() const { return m_number1; }
    TNumberEdit *number2() const { return m_number2; }

private:
    Interaction &m_ui;
    QueryHooks m_hooks;
    TButtonBox *m_lc1, *m_lc2, *m_lc3;
    TNumberEdit *m_number1, *m_number2;
    QToolButton *m_tbSum, *m_tbReturn;
};

} // namespace tq::gui
