#include "entry/TNumberEdit.h"

#include <QFocusEvent>
#include <QLocale>
#include <QValidator>
#include <cmath>

namespace tq::gui {

namespace {

class NumberValidator : public QValidator {
public:
    explicit NumberValidator(TNumberEdit *box) : QValidator(box), m_box(box) {}
    State validate(QString &input, int &) const override { return m_box->acceptable(input) ? Acceptable : Invalid; }

private:
    TNumberEdit *m_box;
};

} // namespace

TNumberEdit::TNumberEdit(QWidget *parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(new NumberValidator(this));
    // No input method: digits only, and a composing window would hide the box.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void TNumberEdit::setDisplay(Display d)
{
    m_display = d;
    if (!hasFocus() && !isBlank())
        setText(format(value()));
}

QString TNumberEdit::digitsOf(const QString &text)
{
    QString t = text.trimmed();
    t.remove(QLatin1Char(','));
    return t;
}

bool TNumberEdit::acceptable(const QString &typed) const
{
    const QString t = digitsOf(typed);
    if (t.isEmpty() || (t == QLatin1String("-") && m_min < 0))
        return true;
    int digits = 0;
    bool dot = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.isDigit() && c.unicode() < 128) {
            ++digits;
        } else if (c == u'.' && m_decimals && !dot) {
            dot = true;
        } else if (c == u'-' && i == 0 && m_min < 0) {
        } else {
            return false;
        }
    }
    if (m_digits > 0 && digits > m_digits)
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok && std::llround(v) <= m_max;
}

qint64 TNumberEdit::value() const
{
    const QString t = digitsOf(text());
    if (t.isEmpty() || t == QLatin1String("-"))
        return m_blank;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return m_blank;
    // No clamping: a stored value beyond the box's limits is kept as it is.
    return std::llround(v);
}

QString TNumberEdit::format(qint64 v) const
{
    switch (m_display) {
    case Display::Plain:
        return v == 0 ? QString() : QString::number(v);
    case Display::SixDigits:
        return QStringLiteral("%1").arg(v, 6, 10, QLatin1Char('0'));
    case Display::Thousands:
    default: {
        if (v == 0)
            return QString();
        QString s = QString::number(std::llabs(v));
        for (qsizetype at = s.size() - 3; at > 0; at -= 3)
            s.insert(at, QLatin1Char(','));
        return v < 0 ? QLatin1Char('-') + s : s;
    }
    }
}

void TNumberEdit::setValue(qint64 v)
{
    setText(hasFocus() ? (v == 0 && m_display != Display::SixDigits ? QString() : QString::number(v)) : format(v));
}

void TNumberEdit::focusInEvent(QFocusEvent *event)
{
    // Typing works on the bare digits; the separators come back on leaving.
    if (!isBlank()) {
        const QSignalBlocker quiet(this);
        const QString bare = digitsOf(text());
        setText(bare);
    }
    QLineEdit::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::OtherFocusReason)
        selectAll();
}

void TNumberEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (!isBlank()) {
        const qint64 typed = value();
        const QString shown = format(typed);
        // Only the separators come back, unless a typed 0 is shown empty and
        // so reads as the blank value: a change the window must hear of.
        const QSignalBlocker quiet(shown.isEmpty() && m_blank != typed ? nullptr : this);
        setText(shown);
    }
}

} // namespace tq::gui
