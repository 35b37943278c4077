#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace tq::automation {

// Reads and writes the zip container of a workbook: every part by its name.
class ZipPackage {
public:
    struct Part {
        QString name;
        std::string data;
    };

    // All parts in the order of the archive. A missing file, a file that is
    // not a zip archive or an entry that cannot be read raises FileError.
    static std::vector<Part> read(const QString &path);
    // Writes the parts to `path`, replacing what is there only once the whole
    // archive is written. Raises FileError when that fails.
    static void write(const QString &path, const std::vector<Part> &parts);
};

} // namespace tq::automation
