#pragma once

#include <QStringList>

namespace tq {

// The input methods installed on this machine, through ibus where it is
// present; without ibus the list is empty and switching does nothing.
class InputMethods {
public:
    static QStringList installed();
    // Switches to the named input method; false when it could not be done.
    static bool switchTo(const QString &name);
};

} // namespace tq
