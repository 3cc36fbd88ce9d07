#pragma once
// The tables of the record store, version by version, in each dialect. Step N
// takes a database at version N-1 to version N; a new database goes through
// all of them. The version lives in the one row of schema_version.
#include <string>
#include <vector>

#include "records/sql_connection.h"

namespace t418 {

// The statements of each step, steps in order (kRecordSchemaVersion of them).
std::vector<std::vector<std::string>> RecordSchemaSteps(SqlDialect dialect);

// Brings the connection's schema to kRecordSchemaVersion in one transaction:
// empty when it worked, else why not (a newer schema is left as it is).
std::string MigrateRecordSchema(SqlConnection& connection);

}  // namespace t418
