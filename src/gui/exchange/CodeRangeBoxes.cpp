#include "exchange/CodeRangeBoxes.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace tq::gui {

CodeRangeBoxes CodeRangeBoxes::create(QWidget *parent, QRadioButton *rangeChoice)
{
    CodeRangeBoxes b;
    b.row = new QHBoxLayout;
    b.low = new QLineEdit(parent);
    b.low->setObjectName(QStringLiteral("c901_1"));
    b.high = new QLineEdit(parent);
    b.high->setObjectName(QStringLiteral("c901_2"));
    b.row->addWidget(new QLabel(QStringLiteral("从"), parent));
    b.row->addWidget(b.low);
    b.row->addWidget(new QLabel(QStringLiteral("到"), parent));
    b.row->addWidget(b.high);
    b.row->addStretch(1);
    for (QLineEdit *e : {b.low, b.high}) {
        e->setValidator(new QIntValidator(-9999999, 9999999, e));
        e->setMaxLength(8);
        e->setFixedWidth(90);
        QObject::connect(e, &QLineEdit::textChanged, rangeChoice, [rangeChoice] { rangeChoice->setChecked(true); });
    }
    return b;
}

std::optional<CodeRange> CodeRangeBoxes::resolve(QLineEdit *low, QLineEdit *high)
{
    const auto range = CodeRange::resolve(low->text().trimmed().toLongLong(), high->text().trimmed().toLongLong());
    if (range && range->highRaised) {
        const QSignalBlocker block(high);
        high->setText(QString::number(range->high));
    }
    return range;
}

QToolButton *dialogButton(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumSize(80, 28);
    return b;
}

} // namespace tq::gui
