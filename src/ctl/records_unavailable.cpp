// The records database where this build has no records library (Windows):
// --db and the records command are refused with a clear word.
#include "ctl/console_view.h"
#include "ctl/station_records.h"

namespace t418::ctl {

std::unique_ptr<StationRecords> StationRecords::Open(const RecordsOptions&, ExitCode& code) {
  Print(stderr, "t418ctl: --db: this build has no records database (it is made without SQLite and PostgreSQL)\n");
  code = kExitUsage;
  return nullptr;
}

ExitCode RunRecordsCommand(const RecordsQueryOptions&) {
  Print(stderr, "t418ctl: records: this build has no records database (it is made without SQLite and PostgreSQL)\n");
  return kExitUsage;
}

}  // namespace t418::ctl
