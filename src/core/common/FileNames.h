#pragma once

#include <QString>

namespace tq {

// File names that the program builds from texts the user typed (the database
// label): whatever the text, the name is one the file system accepts.
class FileNames {
public:
    // The longest name a folder entry may have, in bytes of the file system's
    // encoding.
    static constexpr int kMaxNameBytes = 255;

    // prefix + part + suffix, where characters no file name can hold become
    // "_" and `part` is cut, on a character boundary, so that the whole name
    // stays within `maxBytes`. prefix and suffix are the program's own texts
    // and stay whole.
    static QString compose(const QString &prefix, const QString &part, const QString &suffix,
                           int maxBytes = kMaxNameBytes);

    // Bytes the name takes in the file system's encoding.
    static int byteLength(const QString &name);
};

} // namespace tq
