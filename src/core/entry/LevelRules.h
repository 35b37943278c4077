#pragma once

#include <QString>

namespace tq::entry {

// Whether a field applies to an organisation of the given level. `rule` is
// either a list ("in [1,2,3]") or a comparison (">=4", "<>10"); an empty rule
// is not asked about (the field applies everywhere).
bool LevelRuleHolds(int level, const QString &rule);

} // namespace tq::entry
