#pragma once

#include <QString>

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::exchange {

// The report file an organisation sends to the level above: a copy of the
// template "view.dll" holding every checked record of the working database
// and the supplier's name, with its header disguised (ReportHeader). Only a
// database whose records have all passed the logic check can be reported.
class ReportExport {
public:
    ReportExport(Session &session, Interaction &ui);

    static QString gateMessage(); // "存在临时保存或逻辑错误的数据，不能上报!"
    // A chosen file name with ".mdb" appended when it has fewer than five
    // characters or does not end in ".mdb".
    static QString completeName(const QString &name);

    // Records that keep the database from being reported: saved temporarily,
    // with logic errors, or never marked at all.
    qint64 uncheckedRecords();

    // The command: gate, supplier's name, target, report file, message.
    // Returns the file written, or an empty text when it stopped.
    QString Export();

    // Writes the report file `target` from the template with the checked
    // records and `label`; the working database's own label stays as it is.
    // The file is built under a temporary name beside the target and takes
    // the target's name only when it is complete, so a failure never leaves a
    // plain or half-filled file under that name. Returns the number of
    // records written. Raises FileError or DbError.
    qint64 write(const QString &target, const QString &label, const QString &templatePath);
    qint64 write(const QString &target, const QString &label);

private:
    Session &m_session;
    Interaction &m_ui;
};

} // namespace tq::exchange
