#include "entry/TButtonBox.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace tq::gui {

TButtonBox::TButtonBox(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_line = new QLineEdit(this);
    m_line->setReadOnly(true);
    m_line->setFocusPolicy(Qt::NoFocus);
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("button"));
    m_button->setText(QStringLiteral("…"));
    m_button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_line, 1);
    layout->addWidget(m_button);
    setFocusPolicy(Qt::NoFocus);
    connect(m_button, &QToolButton::clicked, this, &TButtonBox::buttonClicked);
    connect(m_line, &QLineEdit::textChanged, this, &TButtonBox::textChanged);
}

QString TButtonBox::text() const
{
    return m_line->text();
}

void TButtonBox::setText(const QString &text)
{
    m_line->setText(text);
}

} // namespace tq::gui
