#include "entry/RtfDocument.h"

#include <QFile>
#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <vector>

namespace tq::entry {

namespace {

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0; // 0 = the view's own size
    bool operator==(const CharFormat &) const = default;
};

// The state a group inherits from its parent and restores on its end.
struct GroupState {
    CharFormat format;
    int unicodeSkip = 1; // \ucN: fallback characters that follow each \uN
    bool skip = false;   // inside a destination whose text is not shown
};

struct Run {
    CharFormat format;
    QString text;
};
using Paragraph = QList<Run>;

// Groups whose text is never part of the document body.
bool isSkippedDestination(const QByteArray &word)
{
    static const char *const kNames[] = {
        "fonttbl",   "colortbl",     "stylesheet",        "info",     "pict",      "object",
        "header",    "headerl",      "headerr",           "headerf",  "footer",    "footerl",
        "footerr",   "footerf",      "footnote",          "fldinst",  "listtable", "listoverridetable",
        "rsidtbl",   "generator",    "themedata",         "xmlnstbl", "filetbl",   "revtbl",
        "datastore", "latentstyles", "colorschememapping"};
    return std::any_of(std::begin(kNames), std::end(kNames), [&](const char *n) { return word == n; });
}

char16_t specialCharacter(const QByteArray &word)
{
    struct Entry {
        const char *word;
        char16_t ch;
    };
    static const Entry kChars[] = {
        {"emdash", 0x2014},    {"endash", 0x2013},    {"bullet", 0x2022},  {"lquote", 0x2018},  {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002}, {"qmspace", 0x2005}};
    for (const Entry &e : kChars)
        if (word == e.word)
            return e.ch;
    return 0;
}

QByteArray codecForCodePage(int cp)
{
    switch (cp) {
    case 936:
        return "GBK";
    case 950:
        return "Big5";
    case 932:
        return "Shift_JIS";
    case 65001:
        return "UTF-8";
    default:
        return "windows-" + QByteArray::number(cp);
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class Parser {
public:
    explicit Parser(const QByteArray &in) : m_in(in) {}

    QList<Paragraph> parse()
    {
        m_stack.push_back(GroupState{});
        m_paragraphs.append(Paragraph{});
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            switch (c) {
            case '{':
                flushBytes();
                m_pendingSkip = 0;
                m_stack.push_back(m_stack.back());
                break;
            case '}':
                flushBytes();
                m_pendingSkip = 0;
                if (m_stack.size() > 1) // a stray closing brace is ignored
                    m_stack.pop_back();
                break;
            case '\\':
                controlWord();
                break;
            case '\r':
            case '\n':
                break;
            case '\t':
                textCharacter(u'\t');
                break;
            default:
                textByte(uchar(c));
            }
        }
        flushBytes();
        while (!m_paragraphs.isEmpty() && m_paragraphs.last().isEmpty())
            m_paragraphs.removeLast();
        return m_paragraphs;
    }

private:
    GroupState &state() { return m_stack.back(); }
    // Number of open groups; the document group itself is depth 1.
    int depth() const { return int(m_stack.size()) - 1; }

    // Consumes one character of a \uN fallback; true when it is to be dropped.
    bool swallowedAsFallback()
    {
        if (m_pendingSkip <= 0)
            return false;
        --m_pendingSkip;
        return true;
    }

    // A byte of text in the document's code page: literal or \'hh.
    void textByte(uchar b)
    {
        if (state().skip || swallowedAsFallback() || b < 0x20)
            return;
        m_bytes.append(char(b));
    }

    void textCharacter(char16_t ch)
    {
        if (state().skip || swallowedAsFallback())
            return;
        flushBytes();
        append(QString(QChar(ch)));
    }

    void append(const QString &text)
    {
        if (text.isEmpty())
            return;
        Paragraph &p = m_paragraphs.last();
        const CharFormat &f = m_stack.back().format;
        if (!p.isEmpty() && p.last().format == f)
            p.last().text += text;
        else
            p.append(Run{f, text});
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        QStringDecoder decoder(m_codec.constData(), QStringConverter::Flag::Stateless);
        append(decoder.isValid() ? QString(decoder.decode(m_bytes)) : QString::fromLatin1(m_bytes));
        m_bytes.clear();
    }

    void setCodePage(int cp)
    {
        const QByteArray name = codecForCodePage(cp);
        if (QStringDecoder(name.constData()).isValid()) {
            flushBytes();
            m_codec = name;
        }
    }

    void controlWord()
    {
        if (m_pos >= m_in.size())
            return; // a backslash at the very end
        const char c = m_in[m_pos];
        if (!isLetter(c)) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        QByteArray word;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos])) {
            if (word.size() < 32)
                word.append(m_in[m_pos]);
            ++m_pos;
        }
        bool hasParam = false;
        bool negative = false;
        qint64 param = 0;
        if (m_pos < m_in.size() && m_in[m_pos] == '-' && m_pos + 1 < m_in.size() && isDigit(m_in[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_in.size() && isDigit(m_in[m_pos])) {
            hasParam = true;
            if (param < 100000000000LL)
                param = param * 10 + (m_in[m_pos] - '0');
            ++m_pos;
        }
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos; // the delimiter belongs to the word
        param = std::clamp<qint64>(negative ? -param : param, -2147483648LL, 2147483647LL);
        handleWord(word, hasParam, int(param));
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\'': {
            // Up to two hex digits; an escape cut short is dropped.
            int value = 0, digits = 0;
            while (digits < 2 && m_pos < m_in.size() && hexDigit(m_in[m_pos]) >= 0) {
                value = value * 16 + hexDigit(m_in[m_pos++]);
                ++digits;
            }
            if (digits == 2)
                textByte(uchar(value));
            return;
        }
        case '\\':
        case '{':
        case '}':
            textByte(uchar(c));
            return;
        case '*':
            if (depth() >= 2)
                state().skip = true;
            return;
        case '~':
            textCharacter(0x00A0);
            return;
        case '_':
            textCharacter(0x2011);
            return;
        case '\r':
        case '\n':
            handleWord("par", false, 0);
            return;
        default: // \- optional hyphen, \: index entries, ...
            if (!state().skip)
                swallowedAsFallback();
            return;
        }
    }

    void handleWord(const QByteArray &word, bool hasParam, int param)
    {
        if (word == "bin") { // binary data: its bytes are not RTF
            if (hasParam && param > 0)
                m_pos += std::min<qsizetype>(param, m_in.size() - m_pos);
            return;
        }
        // A destination word is only honoured inside the document group, so
        // that a damaged file without braces still shows its text.
        if (depth() >= 2 && isSkippedDestination(word)) {
            state().skip = true;
            return;
        }
        if (state().skip)
            return;
        if (swallowedAsFallback())
            return;
        flushBytes();
        const bool on = !hasParam || param != 0;
        CharFormat &f = state().format;
        if (word == "par" || word == "sect" || word == "page" || word == "row") {
            m_paragraphs.append(Paragraph{});
        } else if (word == "line") {
            append(QStringLiteral("\n"));
        } else if (word == "tab" || word == "cell") {
            append(QStringLiteral("\t"));
        } else if (word == "b") {
            f.bold = on;
        } else if (word == "i") {
            f.italic = on;
        } else if (word == "ul") {
            f.underline = on;
        } else if (word == "ulnone") {
            f.underline = false;
        } else if (word == "fs") {
            f.halfPoints = hasParam && param > 0 ? std::min(param, 3276) : 24;
        } else if (word == "plain") {
            f = CharFormat{};
        } else if (word == "uc") {
            state().unicodeSkip = hasParam ? std::clamp(param, 0, 16) : 1;
        } else if (word == "u") {
            if (!hasParam)
                return;
            const int unit = param < 0 ? param + 65536 : param;
            if (unit > 0 && unit <= 0xFFFF)
                append(QString(QChar(char16_t(unit))));
            m_pendingSkip = state().unicodeSkip;
        } else if (word == "ansicpg") {
            if (hasParam)
                setCodePage(param);
        } else if (word == "ansi") {
            setCodePage(1252);
        } else if (const char16_t ch = specialCharacter(word)) {
            append(QString(QChar(ch)));
        }
    }

    const QByteArray &m_in;
    qsizetype m_pos = 0;
    std::vector<GroupState> m_stack;
    QList<Paragraph> m_paragraphs;
    QByteArray m_bytes; // text bytes not yet decoded
    QByteArray m_codec = "windows-1252";
    int m_pendingSkip = 0;
};

QString paragraphText(const Paragraph &p)
{
    QString text;
    for (const Run &r : p)
        text += r.text;
    return text;
}

QString runHtml(const Run &r)
{
    QString open, close;
    if (r.format.halfPoints > 0) {
        const int hp = r.format.halfPoints;
        const QString size = hp % 2 ? QStringLiteral("%1.5").arg(hp / 2) : QString::number(hp / 2);
        open += QStringLiteral("<span style=\"font-size:%1pt;\">").arg(size);
        close.prepend(QStringLiteral("</span>"));
    }
    if (r.format.bold) {
        open += QStringLiteral("<b>");
        close.prepend(QStringLiteral("</b>"));
    }
    if (r.format.italic) {
        open += QStringLiteral("<i>");
        close.prepend(QStringLiteral("</i>"));
    }
    if (r.format.underline) {
        open += QStringLiteral("<u>");
        close.prepend(QStringLiteral("</u>"));
    }
    QString text = r.text.toHtmlEscaped();
    text.replace(QLatin1Char('\n'), QStringLiteral("<br />"));
    return open + text + close;
}

} // namespace

QString RtfDocument::toPlainText(const QByteArray &rtf)
{
    QStringList lines;
    for (const Paragraph &p : Parser(rtf).parse())
        lines << paragraphText(p);
    return lines.join(QLatin1Char('\n'));
}

QString RtfDocument::toHtml(const QByteArray &rtf)
{
    const QList<Paragraph> paragraphs = Parser(rtf).parse();
    if (paragraphs.isEmpty())
        return {};
    QString html = QStringLiteral("<html><body>");
    for (const Paragraph &p : paragraphs) {
        html += QStringLiteral("<p style=\"margin-top:0px; margin-bottom:0px; white-space:pre-wrap;\">");
        if (p.isEmpty())
            html += QStringLiteral("<br />");
        for (const Run &r : p)
            html += runHtml(r);
        html += QStringLiteral("</p>");
    }
    html += QStringLiteral("</body></html>");
    return html;
}

QString RtfDocument::readFileAsHtml(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    return toHtml(data);
}

} // namespace tq::entry
