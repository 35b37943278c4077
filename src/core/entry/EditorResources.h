#pragma once

#include <QString>

namespace tq::entry {

// A text file built into the program for the record editor (the page layout,
// the box rules), read as UTF-8. Raises FileError when it is not there.
QString editorResource(const QString &name);

} // namespace tq::entry
