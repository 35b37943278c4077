#pragma once

#include "logic/PageRules.h"

#include <QList>
#include <QRect>
#include <QWidget>
#include <optional>

class QTableWidget;

namespace tq::gui {

// What a double-click in the error list does to the data-entry window.
class MessageJumpTarget {
public:
    virtual ~MessageJumpTarget() = default;
    // Switches DataPage to `index`; the window's page-change handling runs
    // (and may refuse, leaving the page as it was).
    virtual void switchToPage(int index) = 0;
    // Focuses the box of that component name when it is an enabled box on the
    // page now shown that can take the focus; otherwise nothing happens.
    virtual void focusBoxByName(const QString &name) = 0;
    // Screen areas the list must not cover when it opens (the page tabs, the
    // notes); empty when there are none.
    virtual QList<QRect> areasToKeepClear() const { return {}; }
};

// 逻辑错误列表: the floating list of the page rules' findings, one row per
// violated rule (rule text, explanation, page, box). Created once and only
// shown and hidden.
//
// Rows and columns are counted as on the paper grid: row 0 is the title row
// and column 0 the row-header column, so entries occupy rows 1..n and
// columns 1..4; an empty list still shows one blank row 1.
class TMessageListWinForm : public QWidget, public logic::ErrorList {
    Q_OBJECT
public:
    static constexpr int kDefaultRowHeight = 18;

    explicit TMessageListWinForm(QWidget *parent = nullptr);

    void setJumpTarget(MessageJumpTarget *target) { m_target = target; }
    // A window shown while a modal window is open only takes clicks when it
    // belongs to that window: the editor hands itself in here before it shows.
    void setOwnerWindow(QWidget *owner);

    // logic::ErrorList
    void ClearList() override;
    void AddMessage(const QString &rule, const QString &explanation, int page, const QString &focus) override;
    bool IsListEmpty() const override { return !m_hasEntries; }
    void ShowList() override;

    bool JumpInProgress() const { return m_jumpInProgress; }
    void GridDblClick();

    // Grid access in paper-grid numbering.
    int RowCount() const;
    QString Cells(int column, int row) const;
    int RowHeights(int row) const;
    int ColWidths(int column) const;
    int MeasureTextHeight(int column, int row, const QString &text) const;
    // Makes `row` (1..n) the current row of the grid.
    void setCurrentRow(int row);
    QTableWidget *grid() const { return m_grid; }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setCell(int column, int row, const QString &text);
    // Where the list opens: where the user last put it, else beside or below
    // its owner window, else inside it clear of the areas it must not cover.
    QPoint openingPosition() const;
    // The frame the window manager puts around the list, and whether it has
    // been told yet.
    QMargins frameMargins() const;
    bool frameKnown() const;

    QTableWidget *m_grid;
    MessageJumpTarget *m_target = nullptr;
    bool m_hasEntries = false;
    bool m_jumpInProgress = false;
    bool m_placing = false;
    std::optional<QPoint> m_userPosition;
};

} // namespace tq::gui
