#pragma once

#include <QString>
#include <stdexcept>

namespace tq::db {

// Every failure of the database layer arrives as a DbError carrying a text
// that the command which started the work can show as it stands.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const noexcept { return m_text; }

private:
    QString m_text;
};

} // namespace tq::db
