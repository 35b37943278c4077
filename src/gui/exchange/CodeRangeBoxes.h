#pragma once

#include "app/RecordSelection.h"

#include <QString>
#include <optional>

class QHBoxLayout;
class QLineEdit;
class QRadioButton;
class QToolButton;
class QWidget;

namespace tq::gui {

// The "从 ... 到 ..." code boxes of the range dialogs: typing into either
// chooses the range option.
struct CodeRangeBoxes {
    QHBoxLayout *row = nullptr;
    QLineEdit *low = nullptr;  // c901_1
    QLineEdit *high = nullptr; // c901_2

    static CodeRangeBoxes create(QWidget *parent, QRadioButton *rangeChoice);
    // The range the boxes give, or none when a bound is blank or 0; an upper
    // bound below the lower one is raised and shown raised.
    static std::optional<CodeRange> resolve(QLineEdit *low, QLineEdit *high);
};

// A text button of the dialogs' button column.
QToolButton *dialogButton(const QString &caption, const QString &name, QWidget *parent);

} // namespace tq::gui
