#pragma once
// t418ctl's JSON: the records of terminal jobs (the table of a run on several
// ports, the station's report) and the printing of one document. Text of the
// core is GBK; everything in a document is UTF-8.
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "production/terminal_job.h"

namespace t418::ctl {

// GBK text as a JSON string (UTF-8).
nlohmann::json JsonText(const std::string& gbk);
nlohmann::json JsonTexts(const std::vector<std::string>& gbk);

// A setting line as shown: without its line end.
std::string WithoutLineEnd(std::string line);

// One terminal's record: port, identity, result, time, refused lines,
// firmware versions, configuration file and its checksum.
nlohmann::json JobRecordJson(const JobResult& result);

// The document on standard output, one line, invalid bytes replaced.
void PrintJson(const nlohmann::json& document);
std::string JsonLine(const nlohmann::json& document);

}  // namespace t418::ctl
