#include "automation/FormulaReferences.h"

#include "automation/CellAddress.h"

#include <functional>
#include <optional>

namespace tq::automation {

namespace {

struct Part {
    enum Kind { Cell, Column, Row } kind = Cell;
    int row = 0;
    int column = 0;
    bool absRow = false;
    bool absColumn = false;
};

struct Ref {
    QString prefix; // sheet prefix as written, "!" included; empty when none
    QString sheet;  // the sheet name without quotes
    bool external = false;
    Part a, b;
    bool range = false;
    bool invalid = false;
};

using Visitor = std::function<void(Ref &)>;

bool isAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isNameChar(QChar c)
{
    return isAsciiLetter(c) || isAsciiDigit(c) || c == u'_' || c == u'.' || c == u'$' || c == u'\\' ||
           (c.unicode() >= 0x80 && !c.isSpace());
}

// One end of a reference at `pos`; `end` receives the position after it.
std::optional<Part> parsePart(const QString &f, qsizetype pos, qsizetype &end)
{
    const qsizetype n = f.size();
    qsizetype k = pos;
    bool firstDollar = false;
    if (k < n && f[k] == u'$') {
        firstDollar = true;
        ++k;
    }
    const qsizetype ls = k;
    while (k < n && isAsciiLetter(f[k]))
        ++k;
    const qsizetype letters = k - ls;
    bool secondDollar = false;
    if (letters > 0 && k < n && f[k] == u'$') {
        secondDollar = true;
        ++k;
    }
    const qsizetype ds = k;
    while (k < n && isAsciiDigit(f[k]))
        ++k;
    const qsizetype digits = k - ds;
    if (k < n && (isNameChar(f[k]) || f[k] == u'('))
        return std::nullopt;
    Part p;
    if (letters > 0) {
        p.column = CellAddress::columnNumber(QStringView(f).mid(ls, letters));
        if (p.column == 0)
            return std::nullopt;
        p.absColumn = firstDollar;
        if (digits > 0) {
            bool ok = false;
            const qint64 row = digits <= 7 ? QStringView(f).mid(ds, digits).toLongLong(&ok) : 0;
            if (!ok || row < 1 || row > CellAddress::kMaxRow)
                return std::nullopt;
            p.kind = Part::Cell;
            p.row = int(row);
            p.absRow = secondDollar;
        } else {
            if (secondDollar)
                return std::nullopt;
            p.kind = Part::Column;
        }
    } else {
        if (digits == 0)
            return std::nullopt;
        bool ok = false;
        const qint64 row = digits <= 7 ? QStringView(f).mid(ds, digits).toLongLong(&ok) : 0;
        if (!ok || row < 1 || row > CellAddress::kMaxRow)
            return std::nullopt;
        p.kind = Part::Row;
        p.row = int(row);
        p.absRow = firstDollar;
    }
    end = k;
    return p;
}

std::optional<Ref> parseRef(const QString &f, qsizetype pos, qsizetype &end)
{
    qsizetype e = 0;
    const auto a = parsePart(f, pos, e);
    if (!a)
        return std::nullopt;
    Ref r;
    r.a = *a;
    if (e < f.size() && f[e] == u':') {
        qsizetype e2 = 0;
        const auto b = parsePart(f, e + 1, e2);
        if (b && b->kind == a->kind) {
            r.b = *b;
            r.range = true;
            end = e2;
            return r;
        }
    }
    if (a->kind != Part::Cell)
        return std::nullopt; // whole rows and columns only come as ranges
    end = e;
    return r;
}

QString partText(const Part &p)
{
    switch (p.kind) {
    case Part::Cell:
        return (p.absColumn ? QStringLiteral("$") : QString()) + CellAddress::columnName(p.column) +
               (p.absRow ? QStringLiteral("$") : QString()) + QString::number(p.row);
    case Part::Column:
        return (p.absColumn ? QStringLiteral("$") : QString()) + CellAddress::columnName(p.column);
    case Part::Row:
        return (p.absRow ? QStringLiteral("$") : QString()) + QString::number(p.row);
    }
    return {};
}

QString refText(const Ref &r)
{
    if (r.invalid)
        return QStringLiteral("#REF!");
    QString t = r.prefix + partText(r.a);
    if (r.range)
        t += QLatin1Char(':') + partText(r.b);
    return t;
}

QString rewrite(const QString &f, const Visitor &visit)
{
    QString out;
    out.reserve(f.size() + 8);
    const qsizetype n = f.size();
    qsizetype i = 0;
    bool external = false; // a "[1]" workbook index stands before the next prefix
    auto emitRef = [&](Ref r, qsizetype end) {
        r.external = external;
        external = false;
        visit(r);
        out += refText(r);
        i = end;
    };
    while (i < n) {
        const QChar c = f[i];
        if (c == u'"') {
            qsizetype j = i + 1;
            while (j < n) {
                if (f[j] == u'"') {
                    if (j + 1 < n && f[j + 1] == u'"') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = std::min(j + 1, n);
            out += QStringView(f).mid(i, j - i);
            i = j;
        } else if (c == u'[') {
            int depth = 0;
            qsizetype j = i;
            while (j < n) {
                if (f[j] == u'[')
                    ++depth;
                else if (f[j] == u']' && --depth == 0)
                    break;
                ++j;
            }
            j = std::min(j + 1, n);
            out += QStringView(f).mid(i, j - i);
            i = j;
            external = true;
        } else if (c == u'#') {
            qsizetype j = i + 1;
            while (j < n && (isAsciiLetter(f[j]) || isAsciiDigit(f[j]) || f[j] == u'/' || f[j] == u'_'))
                ++j;
            if (j < n && (f[j] == u'!' || f[j] == u'?'))
                ++j;
            out += QStringView(f).mid(i, j - i);
            i = j;
        } else if (c == u'\'') {
            qsizetype j = i + 1;
            QString name;
            while (j < n) {
                if (f[j] == u'\'') {
                    if (j + 1 < n && f[j + 1] == u'\'') {
                        name += u'\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                name += f[j++];
            }
            if (j < n && j + 1 < n && f[j + 1] == u'!') {
                qsizetype end = 0;
                if (auto r = parseRef(f, j + 2, end)) {
                    r->prefix = f.mid(i, j + 2 - i);
                    r->sheet = name;
                    emitRef(*r, end);
                    continue;
                }
            }
            j = std::min(j + 1, n);
            out += QStringView(f).mid(i, j - i);
            i = j;
            external = false;
        } else if (isNameChar(c)) {
            qsizetype j = i;
            while (j < n && isNameChar(f[j]))
                ++j;
            qsizetype end = 0;
            if (j < n && f[j] == u'!') {
                if (auto r = parseRef(f, j + 1, end)) {
                    r->prefix = f.mid(i, j + 1 - i);
                    r->sheet = f.mid(i, j - i);
                    emitRef(*r, end);
                    continue;
                }
            } else if (!(j < n && f[j] == u'(')) {
                if (auto r = parseRef(f, i, end)) {
                    emitRef(*r, end);
                    continue;
                }
            }
            out += QStringView(f).mid(i, j - i);
            i = j;
            external = false;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

bool sameSheet(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

void moveRow(Part &p, Ref &r, int atRow, int count)
{
    if (p.kind == Part::Column || p.row < atRow)
        return;
    p.row += count;
    if (p.row > CellAddress::kMaxRow)
        r.invalid = true;
}

void offset(Part &p, Ref &r, int dr, int dc)
{
    if (p.kind != Part::Column && !p.absRow) {
        p.row += dr;
        if (p.row < 1 || p.row > CellAddress::kMaxRow)
            r.invalid = true;
    }
    if (p.kind != Part::Row && !p.absColumn) {
        p.column += dc;
        if (p.column < 1 || p.column > CellAddress::kMaxColumn)
            r.invalid = true;
    }
}

} // namespace

QString FormulaReferences::insertRows(const QString &formula, const QString &ownSheet, const QString &sheet, int atRow,
                                      int count)
{
    return rewrite(formula, [&](Ref &r) {
        if (r.external || !sameSheet(r.sheet.isEmpty() ? ownSheet : r.sheet, sheet))
            return;
        moveRow(r.a, r, atRow, count);
        if (r.range)
            moveRow(r.b, r, atRow, count);
    });
}

QString FormulaReferences::translate(const QString &formula, int rowOffset, int columnOffset)
{
    if (rowOffset == 0 && columnOffset == 0)
        return formula;
    return rewrite(formula, [&](Ref &r) {
        if (r.external)
            return;
        offset(r.a, r, rowOffset, columnOffset);
        if (r.range)
            offset(r.b, r, rowOffset, columnOffset);
    });
}

QString FormulaReferences::renameSheet(const QString &formula, const QString &oldName, const QString &newName)
{
    return rewrite(formula, [&](Ref &r) {
        if (!r.external && sameSheet(r.sheet, oldName))
            r.prefix = quotedSheetName(newName) + QLatin1Char('!');
    });
}

QString FormulaReferences::dropSheet(const QString &formula, const QString &name)
{
    return rewrite(formula, [&](Ref &r) {
        if (!r.external && sameSheet(r.sheet, name))
            r.invalid = true;
    });
}

QString FormulaReferences::quotedSheetName(const QString &name)
{
    bool plain = !name.isEmpty() && !isAsciiDigit(name[0]);
    for (QChar c : name)
        plain = plain && (isAsciiLetter(c) || isAsciiDigit(c) || c == u'_');
    if (plain) {
        // A name that reads as a cell ("A1", "R1C1") must be quoted too.
        qsizetype end = 0;
        if (parsePart(name, 0, end) && end == name.size())
            plain = false;
        if (name.size() > 1 && (name[0] == u'R' || name[0] == u'r' || name[0] == u'C' || name[0] == u'c') &&
            isAsciiDigit(name[1]))
            plain = false;
    }
    if (plain)
        return name;
    QString quoted = name;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace tq::automation
