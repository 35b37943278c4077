#pragma once

#include <QLineEdit>

namespace tq::gui {

// A one-line text box that refuses characters as they are typed (or committed
// by an input method). Under tcForbid the characters of ForbidChars are
// dropped; under tcValidate only those of ValidChars pass. Text put in by the
// program, and pasted text, is left alone.
class TKvValidEdit : public QLineEdit {
    Q_OBJECT
public:
    enum CheckType { tcForbid, tcValidate };

    explicit TKvValidEdit(QWidget *parent = nullptr);

    CheckType checkType() const { return m_checkType; }
    void setCheckType(CheckType type) { m_checkType = type; }
    const QString &ForbidChars() const { return m_forbid; }
    void setForbidChars(const QString &chars) { m_forbid = chars; }
    const QString &ValidChars() const { return m_valid; }
    void setValidChars(const QString &chars) { m_valid = chars; }

    bool accepts(QChar c) const;
    // `typed` without the characters this box refuses.
    QString filtered(const QString &typed) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    CheckType m_checkType = tcForbid;
    QString m_forbid;
    QString m_valid;
};

} // namespace tq::gui
