#pragma once

#include <QStringList>

namespace tq {

// The input methods installed on this machine, through IBus where it is
// present, else through Fcitx 5 (the methods of its profile); with neither
// the list is empty and switching does nothing.
class InputMethods {
public:
    static QStringList installed();
    // Switches to the named input method; false when it could not be done.
    static bool switchTo(const QString &name);
};

} // namespace tq
