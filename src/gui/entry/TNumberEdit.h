#pragma once

#include <QLineEdit>

namespace tq::gui {

// A box for a whole number: typed as digits, shown with thousands separators
// (or another display form), an empty box reading as its blank value.
// Decimals may be allowed for amounts; the value is then rounded.
class TNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    enum class Display { Thousands, Plain, SixDigits };

    explicit TNumberEdit(QWidget *parent = nullptr);

    qint64 value() const;
    void setValue(qint64 value);
    bool isBlank() const { return text().trimmed().isEmpty(); }

    qint64 blankValue() const { return m_blank; }
    void setBlankValue(qint64 v) { m_blank = v; }
    qint64 maximum() const { return m_max; }
    void setMaximum(qint64 v) { m_max = v; }
    qint64 minimum() const { return m_min; }
    void setMinimum(qint64 v) { m_min = v; }
    // Digits that may be typed; 0 means no limit.
    int maxDigits() const { return m_digits; }
    void setMaxDigits(int digits) { m_digits = digits; }
    bool allowsDecimals() const { return m_decimals; }
    void setAllowDecimals(bool on) { m_decimals = on; }
    void setDisplay(Display d);

    // Whether `typed` would be an acceptable content while typing.
    bool acceptable(const QString &typed) const;
    QString format(qint64 value) const;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    static QString digitsOf(const QString &text);

    qint64 m_blank = 0;
    qint64 m_max = 99999999;
    qint64 m_min = 0;
    int m_digits = 0;
    bool m_decimals = false;
    Display m_display = Display::Thousands;
};

} // namespace tq::gui
