#pragma once

#include "common/Error.h"

namespace tq::db {

// Every failure of the database layer arrives as a DbError carrying the
// engine's (or the layer's) text.
class DbError : public Error {
public:
    using Error::Error;
};

} // namespace tq::db
