#include "entry/TableSheet.h"

#include "db/FieldCatalogue.h"
#include "entry/PageLayout.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace tq::gui {

namespace {

// Grid columns: a margin that takes spare width on either side, and two
// columns of label, code and box with a gap between them.
enum Column { LeftMargin, Label, Code, Box, Gap = 4, RightMargin = 8 };
constexpr int kSecond = 4; // offset of the second column of boxes
constexpr int kMinLabelWidth = 150;
constexpr int kMaxLabelWidth = 460;

// A field's label: on one line where the page is wide enough, wrapped where
// it is not (QLabel alone would wrap long texts at a width of its own choice).
class BoxLabel : public QLabel {
public:
    BoxLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
    {
        setWordWrap(true);
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setMinimumWidth(kMinLabelWidth);
        m_width = std::clamp(fontMetrics().horizontalAdvance(text) + 4, kMinLabelWidth, kMaxLabelWidth);
    }
    QSize sizeHint() const override { return {m_width, heightForWidth(m_width)}; }

private:
    int m_width;
};

QLabel *codeLabel(const QString &name, QWidget *parent)
{
    auto *l = new QLabel(name, parent);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Disabled, QPalette::WindowText));
    l->setPalette(pal);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

// A group's title, with a rule to the right edge of the boxes that marks the
// group off as on the paper form.
QLayout *groupTitle(const QString &text, QWidget *parent)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 6, 0, 0);
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    row->addWidget(l);
    auto *rule = new QFrame(parent);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    row->addWidget(rule, 1);
    return row;
}

} // namespace

QLabel *TableSheet::heading(const QString &text, int larger, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPointSize(f.pointSize() + larger);
    f.setBold(true);
    l->setFont(f);
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    return l;
}

TableSheet::TableSheet(const entry::LayoutPage &page, const db::FieldCatalogue &catalogue, const BoxFactory &makeBox,
                       QWidget *parent)
    : QWidget(parent)
{
    auto *col = new QVBoxLayout(this);
    col->setContentsMargins(8, 4, 8, 8);
    col->setSpacing(4);
    col->addWidget(heading(page.title, 3, this));
    if (!page.note.isEmpty()) {
        auto *n = new QLabel(page.note, this);
        n->setAlignment(Qt::AlignCenter);
        n->setWordWrap(true);
        col->addWidget(n);
    }

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(LeftMargin, 1);
    grid->setColumnStretch(RightMargin, 1);
    grid->setColumnMinimumWidth(Gap, 18);
    int r = 0;
    for (const entry::LayoutGroup &g : page.groups) {
        grid->addLayout(groupTitle(g.title, this), r++, Label, 1, RightMargin - Label);
        for (const QStringList &row : g.rows) {
            int offset = 0;
            for (const QString &name : row) {
                const db::CatalogueField *f = catalogue.byFieldName(name);
                QLabel *label = new BoxLabel(f ? f->hint : name, this);
                QWidget *box = makeBox(name, this);
                label->setBuddy(box);
                grid->addWidget(label, r, Label + offset);
                grid->addWidget(codeLabel(name, this), r, Code + offset);
                grid->addWidget(box, r, Box + offset);
                offset += kSecond;
            }
            ++r;
        }
    }
    col->addLayout(grid);
    col->addStretch(1);
}

} // namespace tq::gui
