#pragma once
// Shell-style patterns over paths: '*' and '?' match within one path part (never
// a '/'), "[...]" a set of characters ("[!...]" the others), '\' quotes the
// next character.
#include <string>
#include <vector>

namespace t418::platform {

// Whether the whole path matches the pattern.
bool PathMatches(const std::string& pattern, const std::string& path);

// Whether a name has a folder part (a path rather than a bare name such as "ttyUSB0" or "COM3").
bool HasFolderPart(const std::string& name);
// The last part of a path: the name without its folders.
std::string LastPathPart(const std::string& path);

// The existing paths the pattern names on the file system, in the system's
// order; none when nothing matches or the pattern cannot be expanded.
std::vector<std::string> ExpandPathPattern(const std::string& pattern);

}  // namespace t418::platform
