#include "ctl/file_checks.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ctl/console_view.h"
#include "platform/atomic_file.h"
#include "platform/file_facts.h"

namespace t418::ctl {
namespace {

namespace fs = std::filesystem;

// The setting lines of a configuration file: NAME=value outside the [System] section.
int CountSettings(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  int count = 0;
  bool system = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.front() == '[') {
      system = line.rfind("[System]", 0) == 0;
      continue;
    }
    if (!system && line.find('=') != std::string::npos) ++count;
  }
  return count;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  if (const auto same = platform::SameExistingFile(a, b)) return *same;
  std::error_code ec1, ec2;
  const fs::path left = fs::weakly_canonical(fs::absolute(a), ec1);
  const fs::path right = fs::weakly_canonical(fs::absolute(b), ec2);
  return !ec1 && !ec2 && left == right;
}

ExitCode CheckInputFile(const std::string& path, const char* what, ExitCode failure) {
  std::error_code error;
  const platform::FileKind kind = platform::KindOfFile(path, error);
  if (kind == platform::FileKind::Missing) {
    Print(stderr, "t418ctl: cannot read the %s %s: %s\n", what, path.c_str(), error.message().c_str());
    return failure;
  }
  if (kind != platform::FileKind::Regular) {
    Print(stderr, "t418ctl: cannot read the %s %s: not a regular file (%s)\n", what, path.c_str(),
          kind == platform::FileKind::Folder ? "a folder" : "a device, pipe or socket");
    return failure;
  }
  if (!platform::MayRead(path, error)) {
    Print(stderr, "t418ctl: cannot read the %s %s: %s\n", what, path.c_str(), error.message().c_str());
    return failure;
  }
  return kExitOk;
}

ExitCode CheckOutputs(const std::vector<NamedFile>& outputs, const std::vector<std::string>& inputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (outputs[i].path.empty()) continue;
    for (const auto& input : inputs) {
      if (input.empty() || !SameFile(outputs[i].path, input)) continue;
      Print(stderr, "t418ctl: %s %s is the input file %s: it would be overwritten; give another file\n",
            outputs[i].option, outputs[i].path.c_str(), input.c_str());
      return kExitUsage;
    }
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (outputs[j].path.empty() || !SameFile(outputs[i].path, outputs[j].path)) continue;
      Print(stderr, "t418ctl: %s and %s name the same file %s; give each its own\n", outputs[i].option,
            outputs[j].option, outputs[i].path.c_str());
      return kExitUsage;
    }
  }
  return kExitOk;
}

int SaveConfigurationWhole(Session& session, const std::string& path) {
  const fs::path target(path);
  platform::FileReplacement replacement(target.has_parent_path() ? target : fs::path(".") / target);
  if (replacement.Error()) {
    Print(stderr, "t418ctl: cannot write %s: %s\n", path.c_str(), replacement.Error().message().c_str());
    return -1;
  }
  if (!session.SaveConfiguration(replacement.TemporaryPath(), AdvancedSettings::Included)) return -1;
  // The file keeps the permissions an existing one had, else those of a new file.
  const std::error_code error = replacement.Commit();
  if (!replacement.Committed()) {
    Print(stderr, "t418ctl: cannot write %s: %s\n", path.c_str(), error.message().c_str());
    return -1;
  }
  return CountSettings(path);
}

}  // namespace t418::ctl
