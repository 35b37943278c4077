#pragma once

#include <QString>
#include <QTemporaryDir>

namespace tq::test {

// The default database that the build put beside the program.
QString builtDefaultDatabase();
QString dataDir();

// Builds a new survey database with the default catalogue and code tables and
// no records in `dir` under `name`; returns its path.
QString newSurveyDatabase(const QTemporaryDir &dir, const QString &name = QStringLiteral("2009NB_tq.mdb"));

} // namespace tq::test
