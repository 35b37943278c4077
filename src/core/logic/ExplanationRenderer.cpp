#include "logic/ExplanationRenderer.h"

#include "common/Gbk.h"
#include "common/Interaction.h"
#include "db/Database.h"

namespace tq::logic {

void FieldHints::load(db::Database &db)
{
    QHash<QString, QString> hints;
    db::Statement st = db.prepare(QStringLiteral("select * from DT_FieldList"));
    int nameCol = -1, hintCol = -1;
    for (int c = 0; c < st.columnCount(); ++c) {
        if (st.columnName(c).compare(QLatin1String("FieldName"), Qt::CaseInsensitive) == 0)
            nameCol = c;
        else if (st.columnName(c).compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0)
            hintCol = c;
    }
    if (nameCol < 0 || hintCol < 0)
        throw db::DbError(QStringLiteral("表 DT_FieldList 中没有字段 FieldName 或 Hint"));
    while (st.step()) {
        const QString name = st.textValue(nameCol).trimmed().toLower();
        if (!hints.contains(name))
            hints.insert(name, st.textValue(hintCol));
    }
    m_hints = std::move(hints);
    m_loaded = true;
}

void FieldHints::reset()
{
    m_loaded = false;
    m_hints.clear();
}

const QString *FieldHints::hint(const QString &fieldName) const
{
    const auto it = m_hints.constFind(fieldName.toLower());
    return it == m_hints.constEnd() ? nullptr : &*it;
}

ExplanationRenderer::ExplanationRenderer(db::Database &db, FieldHints &hints, Interaction *ui)
    : m_db(db), m_hints(hints), m_ui(ui)
{
}

QString ExplanationRenderer::RenderToken(const QString &tokenIn)
{
    if (!m_hints.isLoaded())
        m_hints.load(m_db); // a failure here ends the caller's operation
    QString token = tokenIn;
    if (token.startsWith(QLatin1Char('[')))
        token.remove(0, 1);
    if (token.endsWith(QLatin1Char(']')))
        token.chop(1);
    if (token.isEmpty())
        return {};
    if (token == QLatin1String("<="))
        return QStringLiteral("不能大于");
    if (token == QLatin1String(">="))
        return QStringLiteral("不能小于");
    if (token == QLatin1String("="))
        return QStringLiteral("必须等于");
    if (token == QLatin1String(">"))
        return QStringLiteral("必须大于");
    if (token == QLatin1String("<"))
        return QStringLiteral("必须小于");
    if (const QString *h = m_hints.hint(token))
        return QLatin1Char('[') + *h + QLatin1Char(']');
    return token;
}

QString ExplanationRenderer::RenderExplanation(const QString &templateText)
{
    enum Mode { Outside, Name, Bracket };
    const QByteArray bytes = Gbk::encode(templateText);
    QByteArray out;
    QByteArray token;
    Mode mode = Outside;
    const auto emitToken = [&] {
        out += Gbk::encode(RenderToken(Gbk::decode(token)));
        token.clear();
    };
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        // A double-byte character is one "other" unit: its trail byte may look
        // like a letter or a bracket, but it never is one.
        const bool wide = (static_cast<unsigned char>(c) >= 0x81) && i + 1 < bytes.size();
        const QByteArray unit = wide ? bytes.mid(i, 2) : QByteArray(1, c);
        if (wide)
            ++i;
        if (!wide && c == '[') {
            if (mode == Name)
                emitToken();
            mode = Bracket;
        } else if (!wide && isLetter(c)) {
            token += c;
            mode = Name;
        } else if (!wide && isDigit(c)) {
            if (mode == Outside)
                out += c;
            else
                token += c;
        } else if (mode == Name) {
            emitToken();
            if (wide || c != ']')
                out += unit;
            mode = Outside;
        } else if (mode == Bracket) {
            if (!wide && (c == ' ' || c == '(' || c == ')' || c == '*' || c == '+' || c == '-' || c == '/')) {
                emitToken();
                out += c;
                mode = Outside;
            } else if (!wide && c == ']') {
                emitToken();
                mode = Outside;
            } else {
                token += unit;
            }
        } else {
            out += unit;
        }
    }
    if (mode != Outside && !token.isEmpty())
        emitToken();
    return Gbk::decode(out);
}

QString ExplanationRenderer::renderCached(const char *templateUtf8)
{
    const auto it = m_cache.constFind(templateUtf8);
    if (it != m_cache.constEnd())
        return *it;
    const QString text = RenderExplanation(QString::fromUtf8(templateUtf8));
    m_cache.insert(templateUtf8, text);
    return text;
}

} // namespace tq::logic
