#pragma once
// Records as CSV for a spreadsheet: a header row, then one row per record;
// UTF-8, fields quoted where they hold a comma, a quote or a line end, lists
// joined with "; ", times in UTC.
#include <string>
#include <vector>

#include "records/provision_record.h"

namespace t418 {

std::string RecordsCsv(const std::vector<ProvisionRecord>& records);

}  // namespace t418
