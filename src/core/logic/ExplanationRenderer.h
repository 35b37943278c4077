#pragma once

#include <QHash>
#include <QString>

namespace tq {
class Interaction;
}
namespace tq::db {
class Database;
}

namespace tq::logic {

// The (FieldName, Hint) pairs of the field catalogue, read once per open
// database; reset() makes the next rendering read them again.
class FieldHints {
public:
    bool isLoaded() const { return m_loaded; }
    void load(db::Database &db);
    void reset();
    // Looked up without regard to case (templates write "L001" for l001).
    const QString *hint(const QString &fieldName) const;

private:
    bool m_loaded = false;
    QHash<QString, QString> m_hints;
};

// Turns an explanation template such as "z002[<=]z001" into readable text:
// field codes become their labels in brackets, bracketed operators words.
class ExplanationRenderer {
public:
    ExplanationRenderer(db::Database &db, FieldHints &hints, Interaction *ui = nullptr);

    QString RenderExplanation(const QString &templateText);
    QString RenderToken(const QString &token);
    // The same rendering, remembered per template for the life of the renderer.
    QString renderCached(const char *templateUtf8);

private:
    db::Database &m_db;
    FieldHints &m_hints;
    Interaction *m_ui;
    QHash<const char *, QString> m_cache;
};

} // namespace tq::logic
