#pragma once

#include <QString>

namespace tq::automation {

// How wide cell contents show, in digit widths of the standard font: what
// fitting a column to its contents measures.

// A number in its shortest exact form ("12", "0.5").
QString numberText(double v);
// Roughly what a number format shows for `v`.
QString shownNumber(double v, const QString &format);
// Wide (Chinese and other full-width) characters take two digit widths.
bool isWide(char32_t c);
// Width of the widest line of `text`.
double textUnits(const QString &text);

} // namespace tq::automation
