#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <optional>

namespace tq {

// A code range as the range dialogs take it: both bounds given and not 0; a
// lower bound below 1 is raised to 1 and an upper bound below the lower one
// is raised to it (the dialog then shows the raised bound).
struct CodeRange {
    qint64 low = 0;
    qint64 high = 0;
    bool highRaised = false;
    static std::optional<CodeRange> resolve(qint64 low, qint64 high);
};

// Which survey records a command works on: all of them, a code range (both
// bounds included) or a set of codes. It turns into SQL in one place, with
// every code bound, however many there are.
class RecordSelection {
public:
    enum class Kind { All, Range, Codes };

    static RecordSelection all();
    static RecordSelection range(qint64 low, qint64 high);
    static RecordSelection range(const CodeRange &r) { return range(r.low, r.high); }
    static RecordSelection codes(QList<qint64> codes);

    Kind kind() const { return m_kind; }
    qint64 low() const { return m_low; }
    qint64 high() const { return m_high; }
    const QList<qint64> &codeList() const { return m_codes; }
    // A set of no codes selects nothing.
    bool isEmpty() const { return m_kind == Kind::Codes && m_codes.isEmpty(); }

    // The condition on `codeColumn` ("" for all records) and its values.
    QString condition(const QString &codeColumn = QStringLiteral("c901")) const;
    QVariantList params() const;
    // "select <columns> from <table>" with the condition as its where clause.
    // `table` and `columns` are the program's own texts, never user input.
    QString select(const QString &table = QStringLiteral("dt_data"),
                   const QString &columns = QStringLiteral("*")) const;
    // "delete from <table>" with the condition.
    QString deleteFrom(const QString &table = QStringLiteral("dt_data")) const;

private:
    QString where() const;

    Kind m_kind = Kind::All;
    qint64 m_low = 0;
    qint64 m_high = 0;
    QList<qint64> m_codes;
};

} // namespace tq
