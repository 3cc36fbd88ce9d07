// File facts from the Win32 attribute and handle calls; paths are UTF-16.
#include "platform/file_facts.h"

#include <windows.h>

#include "platform/win32/system_error.h"

namespace t418::platform {
namespace {

// Opens the file or folder itself for looking at it only; every other opener may go on.
HANDLE OpenToLookAt(const std::filesystem::path& path, DWORD access) {
  return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

FileKind KindOfFile(const std::filesystem::path& path, std::error_code& error) {
  const HANDLE file = OpenToLookAt(path, FILE_READ_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) {
    error = win32::LastError();
    return FileKind::Missing;
  }
  error.clear();
  FileKind kind = FileKind::Other;
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info))
    kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder : FileKind::Regular;
  ::CloseHandle(file);
  return kind;
}

bool MayRead(const std::filesystem::path& path, std::error_code& error) {
  const HANDLE file = OpenToLookAt(path, GENERIC_READ);
  if (file == INVALID_HANDLE_VALUE) {
    error = win32::LastError();
    return false;
  }
  ::CloseHandle(file);
  error.clear();
  return true;
}

bool MayWriteIn(const std::filesystem::path& folder) {
  // Access lists decide, so the answer comes from making a file there.
  const std::filesystem::path where = folder.empty() ? std::filesystem::path(L".") : folder;
  wchar_t name[MAX_PATH + 1];
  if (::GetTempFileNameW(where.c_str(), L"t41", 0, name) == 0) return false;
  ::DeleteFileW(name);
  return true;
}

std::optional<bool> SameExistingFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  auto identify = [](const std::filesystem::path& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = OpenToLookAt(path, FILE_READ_ATTRIBUTES);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    return ok;
  };
  if (!identify(a, first) || !identify(b, second)) return std::nullopt;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace t418::platform
