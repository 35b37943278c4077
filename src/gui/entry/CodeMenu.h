#pragma once

#include "entry/CoverValidation.h"

#include <QPoint>
#include <functional>

class QMenu;
class QWidget;

namespace tq::gui {

class TButtonBox;

using CodeCallback = std::function<void(qint64 code)>;

// Pops up the code list below the right end of `box`: one item per entry in
// list order, the entry whose code equals the box's tag checked. Choosing an
// item puts its name (trimmed) into the box, its code into the box's tag and,
// when given, calls `callback` with the code. The menu belongs to the box and
// is reused by the next call; it is returned so that callers can look at it.
QMenu *ShowCodeMenu(TButtonBox *box, const entry::CodeList &list, CodeCallback callback);
QMenu *ShowCodeMenuPlain(TButtonBox *box, const entry::CodeList &list);

// Where the list appears: 10 pixels in from the box's right edge and 30 up
// from its bottom, in screen coordinates.
QPoint codeMenuPoint(const QWidget *box);

} // namespace tq::gui
