#pragma once

#include <QByteArray>
#include <QString>

namespace tq::entry {

// A small reader for the rich-text page notes shown below the record editor.
// It understands what such notes use: groups, paragraphs and line breaks,
// tabs, bold, italic, underline, font size, \uN with its \ucN fallback count,
// \'hh bytes in the document's code page (\ansicpgN; Windows-1252 when none
// is given) and the escaped characters \{ \} \\. Destination groups (font,
// colour and style tables, document info, \* groups, pictures) are skipped
// and unknown control words ignored. Damaged input (unbalanced braces, a cut
// off file) never fails: whatever could be read is returned.
class RtfDocument {
public:
    // HTML for a rich-text view: one <p> per paragraph, <b>/<i>/<u> and a
    // font-size span for formatted runs, <br /> for line breaks; empty when
    // the document holds no text.
    static QString toHtml(const QByteArray &rtf);
    // The text with paragraphs and line breaks as '\n' and tabs as '\t';
    // trailing empty paragraphs are dropped.
    static QString toPlainText(const QByteArray &rtf);
    // toHtml of a file's contents; empty when the file is missing or unreadable.
    static QString readFileAsHtml(const QString &path);
};

} // namespace tq::entry
