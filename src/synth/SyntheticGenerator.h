#pragma once

#include "RuleExpression.h"
#include "db/Database.h"

#include <QList>
#include <QString>

namespace tq::synth {

struct Options {
    int count = 100;
    quint32 seed = 1;
    int firstCode = 100001; // c901 of the first record; the others follow one by one
    double failShare = 0.0; // share of records (0..1) that break one rule each
    QList<int> failRules;   // rule numbers to break; empty = any rule of the list
    bool markStates = true; // RecordState 1 / 2 for valid / broken records, else 0
};

struct Summary {
    int written = 0;
    int broken = 0;
};

// Appends `o.count` survey records to dt_data of an open survey database. The
// record layout, the level restrictions and the answer kinds come from the
// database's dt_fieldlist, the seats from CT_CityName, the consistency rules
// from the tab-separated list `rulesFile`.
//
// Records are plausible and, unless chosen to break a rule, pass every rule of
// the list, keep the fields that do not apply to their level at 0 and the
// fields behind a closed gate question at 0. A broken record fails the rule it
// was chosen for (and possibly others). The same options give the same rows.
//
// Everything is written in one transaction (the caller's, when one is open);
// on any failure nothing is written. Raises SynthError for bad options or data
// and DbError for database failures (for example a c901 already present).
Summary generate(tq::db::Database &db, const Options &o, const QString &rulesFile);

// Length of a text in the Chinese code page: two bytes for every character
// outside ASCII (the names the generator builds use no other characters).
int gbkLength(const QString &text);

} // namespace tq::synth
