#pragma once

#include <QString>
#include <optional>

namespace tq::automation {

enum class HorizontalAlignment { General, Left, Center, Right };
enum class VerticalAlignment { Bottom, Center, Top };

// Excel's constant for left alignment, as callers of the automation
// interface pass it (xlLeft).
constexpr int kExcelLeftAlignment = -4131;

// A change to the formatting of cells: only the members that are set change,
// everything else keeps what the cell had.
struct CellFormat {
    std::optional<double> fontSize;
    std::optional<bool> bold;
    std::optional<QString> fontName;
    std::optional<QString> numberFormat; // "@", "yyyy-mm-dd", "#,##0_ " ...
    std::optional<HorizontalAlignment> horizontal;
    std::optional<VerticalAlignment> vertical;
    std::optional<bool> wrapText;
    std::optional<bool> thinBorder;    // a thin line on all four edges of every cell
    std::optional<QString> fillColour; // "RRGGBB" background; empty string removes it

    // A text that tells two changes apart, for caching derived styles.
    QString key() const
    {
        QString k;
        auto add = [&k](char tag, const QString &v) { k += QLatin1Char(tag) + v + QChar(0x1f); };
        if (fontSize)
            add('s', QString::number(*fontSize));
        if (bold)
            add('b', *bold ? QStringLiteral("1") : QStringLiteral("0"));
        if (fontName)
            add('n', *fontName);
        if (numberFormat)
            add('f', *numberFormat);
        if (horizontal)
            add('h', QString::number(int(*horizontal)));
        if (vertical)
            add('v', QString::number(int(*vertical)));
        if (wrapText)
            add('w', *wrapText ? QStringLiteral("1") : QStringLiteral("0"));
        if (thinBorder)
            add('r', *thinBorder ? QStringLiteral("1") : QStringLiteral("0"));
        if (fillColour)
            add('c', *fillColour);
        return k;
    }
};

} // namespace tq::automation
