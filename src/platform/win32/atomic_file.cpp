// Replacing a file: a sibling created new and written through to the disk,
// then moved over the target in one step (MoveFileExW with write-through),
// which leaves either the old file or the new one, whole. Paths are UTF-16.
// The sibling is held open only while this object writes it: Windows refuses
// to move a file over one that is open, and a writer that writes the sibling
// by name may replace it in its turn.
#include "platform/atomic_file.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/win32/system_error.h"

namespace t418::platform {
namespace fs = std::filesystem;

namespace {

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

FileReplacement::FileReplacement(fs::path target) : target_(std::move(target)) {
  static std::atomic<unsigned> counter{0};
  const fs::path folder = target_.parent_path();
  DWORD reason = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && reason == ERROR_FILE_EXISTS; ++attempt) {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    wchar_t suffix[64];
    std::swprintf(suffix, 64, L".%lu-%u-%llx.tmp", ::GetCurrentProcessId(), counter.fetch_add(1),
                  static_cast<unsigned long long>(ticks) & 0xFFFFFFu);
    temporary_ = folder / (L"." + target_.filename().wstring() + suffix);
    const HANDLE file = ::CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      ::CloseHandle(file);
      return;
    }
    reason = ::GetLastError();
  }
  error_ = win32::ErrorOf(reason);
  temporary_.clear();
}

FileReplacement::~FileReplacement() {
  if (handle_ != -1) ::CloseHandle(Handle(handle_));
  if (!committed_ && !temporary_.empty()) ::DeleteFileW(temporary_.c_str());
}

namespace {

// The sibling opened again for writing at its end.
HANDLE OpenAtEnd(const fs::path& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  LARGE_INTEGER zero{};
  if (!::SetFilePointerEx(file, zero, nullptr, FILE_END)) {
    ::CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

}  // namespace

std::error_code FileReplacement::Write(std::string_view bytes) {
  if (temporary_.empty()) return error_ ? error_ : std::make_error_code(std::errc::bad_file_descriptor);
  if (handle_ == -1) {
    const HANDLE file = OpenAtEnd(temporary_);
    if (file == INVALID_HANDLE_VALUE) return win32::LastError();
    handle_ = reinterpret_cast<std::intptr_t>(file);
  }
  while (!bytes.empty()) {
    const DWORD ask = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(Handle(handle_), bytes.data(), ask, &written, nullptr)) return win32::LastError();
    bytes.remove_prefix(written);
  }
  return {};
}

std::error_code FileReplacement::Commit() {
  if (temporary_.empty()) return error_;
  {
    // Written by this object or by name: its bytes go to the disk before the move.
    const HANDLE file = handle_ != -1 ? Handle(handle_) : OpenAtEnd(temporary_);
    handle_ = -1;
    if (file == INVALID_HANDLE_VALUE) return win32::LastError();
    if (!::FlushFileBuffers(file)) {
      const std::error_code reason = win32::LastError();
      ::CloseHandle(file);
      return reason;
    }
    if (!::CloseHandle(file)) return win32::LastError();
  }
  // A read-only target keeps that mark on the new file; the move itself
  // needs it off the old one for the moment of the move.
  const DWORD old = ::GetFileAttributesW(target_.c_str());
  const bool readOnly = old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY) &&
                        (old & FILE_ATTRIBUTE_READONLY);
  if (readOnly) ::SetFileAttributesW(target_.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
  if (!::MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const std::error_code reason = win32::LastError();
    if (readOnly) ::SetFileAttributesW(target_.c_str(), old);
    return reason;
  }
  committed_ = true;
  if (readOnly) ::SetFileAttributesW(target_.c_str(), old);
  return {};
}

}  // namespace t418::platform
