#include "ctl/file_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

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
  struct stat first {}, second {};
  if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0)
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  std::error_code ec1, ec2;
  const fs::path left = fs::weakly_canonical(fs::absolute(a), ec1);
  const fs::path right = fs::weakly_canonical(fs::absolute(b), ec2);
  return !ec1 && !ec2 && left == right;
}

ExitCode CheckInputFile(const std::string& path, const char* what, ExitCode failure) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "t418ctl: cannot read the %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    return failure;
  }
  if (!S_ISREG(info.st_mode)) {
    std::fprintf(stderr, "t418ctl: cannot read the %s %s: not a regular file (%s)\n", what, path.c_str(),
                 S_ISDIR(info.st_mode) ? "a folder" : "a device, pipe or socket");
    return failure;
  }
  if (access(path.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "t418ctl: cannot read the %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    return failure;
  }
  return kExitOk;
}

ExitCode CheckOutputs(const std::vector<NamedFile>& outputs, const std::vector<std::string>& inputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (outputs[i].path.empty()) continue;
    for (const auto& input : inputs) {
      if (input.empty() || !SameFile(outputs[i].path, input)) continue;
      std::fprintf(stderr, "t418ctl: %s %s is the input file %s: it would be overwritten; give another file\n",
                   outputs[i].option, outputs[i].path.c_str(), input.c_str());
      return kExitUsage;
    }
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (outputs[j].path.empty() || !SameFile(outputs[i].path, outputs[j].path)) continue;
      std::fprintf(stderr, "t418ctl: %s and %s name the same file %s; give each its own\n", outputs[i].option,
                   outputs[j].option, outputs[i].path.c_str());
      return kExitUsage;
    }
  }
  return kExitOk;
}

int SaveConfigurationWhole(Session& session, const std::string& path) {
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temporary.data());
  if (fd < 0) {
    std::fprintf(stderr, "t418ctl: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return -1;
  }
  close(fd);
  session.Rules().SetChecked(session.Form().rzchckbxMore, true);
  if (!session.SaveConfiguration(temporary)) {
    std::remove(temporary.c_str());
    return -1;
  }
  // The file keeps the permissions an existing one had, else those of a new file.
  struct stat old {};
  if (stat(path.c_str(), &old) == 0) {
    chmod(temporary.c_str(), old.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temporary.c_str(), 0666 & ~mask);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "t418ctl: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    std::remove(temporary.c_str());
    return -1;
  }
  return CountSettings(path);
}

}  // namespace t418::ctl
