#pragma once
// The profile "T418Cfg.ini" and configuration files, read into and written
// from a session.
//
// The profile keeps the session from one run to the next: the tool's own
// settings (language, live help, send key, fast replies, hardware sign), the toolbar's port
// settings, the hex switches and a copy of every terminal parameter of the
// form. Loading feeds each stored value through the report applier of its
// command, so the view rules run as for a device report; the order of the
// keys is the order of loading and matters (a hex switch before the data it
// describes, a registration type before its texts). Saving writes each key
// from the form through the getters of the configuration build. A key that a
// save leaves out (a choice list without a selection, the UDC work mode)
// keeps the text the file held.
//
// A configuration file holds the terminal's parameters only: the sections
// "WKMOD" to "Base" without "delayTime", and from "System" the keys
// "ShowMore", "HeartDtHex" and "RegDtHex". Loading one touches neither the
// port settings nor the tool's own settings.
//
// Files are replaced whole and keep the lines the tool does not know
// (params/profile_file.h); a failed save leaves the old file.
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "params/profile_file.h"

namespace t418 {

class Session;

// ---- Where the profile lives ----

// What decides the profile's place.
struct ProfilePlaceFacts {
  bool besideExists = false;    // the program's folder holds "T418Cfg.ini"
  bool folderWritable = false;  // a file can be created in the program's folder
  std::string xdgConfigHome;    // the environment's XDG_CONFIG_HOME, "" when unset
  std::string home;             // HOME, "" when unset
};

// "T418Cfg.ini" beside the program when the program's folder holds it or can
// be written; otherwise in "t418" under XDG_CONFIG_HOME (an absolute path),
// else under HOME's ".config"; beside the program when neither is known.
std::filesystem::path ChooseProfilePath(const std::filesystem::path& programFolder,
                                        const ProfilePlaceFacts& facts);
// The same with the facts of this computer and process.
std::filesystem::path ProfilePath(const std::filesystem::path& programFolder);

// ---- Documents ----

// The whole profile into the session. ports are the names the toolbar's port
// list holds; "ComName" is read only when there is at least one.
void LoadProfile(Session& session, const IniDocument& document, const std::vector<std::string>& ports);
void SaveProfile(const Session& session, IniDocument& document);

// The terminal's parameters only. An empty document loads the defaults.
void LoadParameters(Session& session, const IniDocument& document);
void SaveParameters(const Session& session, IniDocument& document);

// ---- Files ----

// Why a file could not be read: the file and the system's reason.
struct FileReadError {
  std::filesystem::path path;
  std::error_code reason;

  // path ": " reason, for a log line.
  std::string Describe() const;
  // The file was read but holds no parameter section with a known key
  // (reason is FileRefusal::NotConfiguration, text/file_read.h).
  bool NotConfiguration() const;
};

// The profile at start: a missing file gives the defaults; a file that cannot
// be read gives the defaults and a warning line in the log (and is not
// replaced at close). ports as for LoadProfile.
ProfileReadStatus LoadProfileFile(Session& session, const std::filesystem::path& path,
                                  const std::vector<std::string>& ports);
// Writes the profile into the file, keeping its other lines; the folder is
// created when it is missing.
std::optional<FileWriteError> SaveProfileFile(const Session& session, const std::filesystem::path& path);

// A configuration file into the form; a missing or unreadable file changes
// nothing, and so does one that is not a configuration file (no parameter
// section with a known key: NotConfiguration()). Only a regular file of at
// most 1 MiB is read (text/file_read.h).
std::optional<FileReadError> LoadConfigurationFile(Session& session, const std::filesystem::path& path);
// Writes the parameters into the file, keeping its other lines and keys (a
// profile chosen as the file stays a whole profile).
std::optional<FileWriteError> SaveConfigurationFile(const Session& session, const std::filesystem::path& path);
// The defaults of every parameter into the form.
void LoadDefaultParameters(Session& session);

// The message box of a failed save: "Unable to write to " and the path (GBK).
std::string WriteFailureMessage(const FileWriteError& error);

}  // namespace t418
