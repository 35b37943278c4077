#pragma once

#include "common/Error.h"

namespace tq::db {

// Every failure of the database layer arrives as a DbError carrying the
// engine's (or the layer's) text.
class DbError : public Error {
public:
    using Error::Error;
};

// Another connection (usually another copy of the program) held the file's
// write lock for longer than the busy timeout.
// Text: "数据库文件正被其他程序使用：" + the file's path.
class DatabaseBusyError : public DbError {
public:
    using DbError::DbError;
};

} // namespace tq::db
