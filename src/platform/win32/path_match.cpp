// Patterns over Windows paths and port names: '\' and '/' both part paths (so
// '\' quotes nothing here), letters match without regard to case as the
// system's names do.
#include "platform/path_match.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>

namespace t418::platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The set at pattern[p] ('[' already passed) against c; moves p past ']'.
// False in matched when the set is not closed (then '[' is a plain character).
bool MatchSet(const std::string& pattern, std::size_t& p, char c, bool& matched) {
  std::size_t i = p;
  bool negate = false;
  if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) negate = true, ++i;
  bool hit = false;
  bool first = true;
  for (; i < pattern.size() && (first || pattern[i] != ']'); first = false) {
    char low = pattern[i++];
    char high = low;
    if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
      high = pattern[i + 1];
      i += 2;
    }
    if (Lower(c) >= Lower(low) && Lower(c) <= Lower(high)) hit = true;
  }
  if (i >= pattern.size()) return false;
  p = i + 1;
  matched = hit != negate;
  return true;
}

bool Match(const std::string& pattern, std::size_t p, const std::string& text, std::size_t t) {
  while (p < pattern.size()) {
    const char pc = pattern[p];
    if (pc == '*') {
      while (p < pattern.size() && pattern[p] == '*') ++p;
      for (std::size_t end = t;; ++end) {
        if (Match(pattern, p, text, end)) return true;
        if (end >= text.size() || IsSeparator(text[end])) return false;
      }
    }
    if (t >= text.size()) return false;
    const char tc = text[t];
    if (pc == '?') {
      if (IsSeparator(tc)) return false;
      ++p, ++t;
      continue;
    }
    if (pc == '[') {
      std::size_t after = p + 1;
      bool matched = false;
      if (MatchSet(pattern, after, tc, matched)) {
        if (!matched || IsSeparator(tc)) return false;
        p = after, ++t;
        continue;
      }
    }
    if (IsSeparator(pc) ? !IsSeparator(tc) : Lower(pc) != Lower(tc)) return false;
    ++p, ++t;
  }
  return t == text.size();
}

bool HasWildcard(const std::string& part) { return part.find_first_of("*?[") != std::string::npos; }

std::string Utf8(const std::wstring& wide) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// One part of a pattern and the separator written before it.
struct Part {
  std::string text;
  std::string separator;
};

// Walks the parts of the pattern from the folder "base" (its text "shown"),
// keeping the separators as the pattern writes them.
void Expand(const std::vector<Part>& parts, std::size_t index, const std::filesystem::path& base,
            const std::string& shown, std::vector<std::string>& out) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (index == parts.size()) {
    if (fs::exists(base, ec)) out.push_back(shown);
    return;
  }
  const Part& part = parts[index];
  if (!HasWildcard(part.text)) {
    Expand(parts, index + 1, base / fs::u8path(part.text), shown + part.separator + part.text, out);
    return;
  }
  std::vector<std::string> names;
  for (fs::directory_iterator it(base.empty() ? fs::path(L".") : base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Utf8(it->path().filename().wstring());
    // As in a shell, a leading dot is only matched by a dot.
    if (!name.empty() && name[0] == '.' && part.text[0] != '.') continue;
    if (Match(part.text, 0, name, 0)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  for (const auto& name : names)
    Expand(parts, index + 1, base / fs::u8path(name), shown + part.separator + name, out);
}

}  // namespace

bool PathMatches(const std::string& pattern, const std::string& path) { return Match(pattern, 0, path, 0); }

bool HasFolderPart(const std::string& name) { return name.find_first_of("\\/") != std::string::npos; }

std::string LastPathPart(const std::string& path) {
  const auto separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::vector<std::string> ExpandPathPattern(const std::string& pattern) {
  std::vector<std::string> paths;
  if (pattern.empty()) return paths;
  // The root ("C:\", "\", "\\server\share\") stays as written; the parts after it are walked.
  std::string root;
  std::size_t start = 0;
  if (pattern.size() >= 2 && pattern[1] == ':') start = 2;
  while (start < pattern.size() && IsSeparator(pattern[start])) ++start;
  root = pattern.substr(0, start);
  std::vector<Part> parts;
  std::string separator;
  for (std::size_t i = start; i < pattern.size();) {
    if (IsSeparator(pattern[i])) {
      separator += pattern[i++];
      continue;
    }
    std::size_t end = i;
    while (end < pattern.size() && !IsSeparator(pattern[end])) ++end;
    parts.push_back({pattern.substr(i, end - i), separator});
    separator.clear();
    i = end;
  }
  // Device names ("\\.\COM3") are no files to list.
  if (root.size() >= 2 && IsSeparator(root[0]) && IsSeparator(root[1]) && !parts.empty() && parts[0].text == ".") return paths;
  Expand(parts, 0, std::filesystem::u8path(root), root, paths);
  return paths;
}

}  // namespace t418::platform
