// The running marker as a named file mapping backed by the paging file: the
// system removes the name when the last copy closes its handle.
#include "platform/running_marker.h"

#include <windows.h>

namespace t418::platform {
namespace {

// The object's name: a POSIX-style leading '/' is not part of a Win32 name,
// and '\' would name a namespace.
std::wstring ObjectName(const std::string& name) {
  std::wstring wide;
  for (char c : name.substr(!name.empty() && name[0] == '/' ? 1 : 0))
    wide.push_back(c == '\\' ? L'_' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return wide;
}

}  // namespace

RunningMarker::RunningMarker(std::string name) : name_(std::move(name)) {
  const HANDLE mapping =
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(int), ObjectName(name_).c_str());
  if (mapping == nullptr) return;
  created_ = ::GetLastError() != ERROR_ALREADY_EXISTS;
  view_ = static_cast<int*>(::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(int)));
  if (view_ == nullptr) {
    ::CloseHandle(mapping);
    created_ = false;
    return;
  }
  // A new mapping is zero already; stored all the same, as the marker promises.
  if (created_) *view_ = 0;
  handle_ = static_cast<long>(reinterpret_cast<std::intptr_t>(mapping));
}

RunningMarker::~RunningMarker() {
  if (view_) ::UnmapViewOfFile(view_);
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle_)));
}

}  // namespace t418::platform
