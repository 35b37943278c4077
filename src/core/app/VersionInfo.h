#pragma once

#include <QString>

namespace tq {

// The program's version as shown in the status bar and the about box.
struct VersionInfo {
    QString version; // product version, e.g. "1.3.3"; empty without a version record
    int build = -1;  // the part of the file version after its last "."

    static VersionInfo current();
    static VersionInfo parse(const QString &productVersion, const QString &fileVersion);
    // "1.3.3 (Build 632)"
    QString displayText() const;
};

} // namespace tq
