// Open files as Win32 handles, shared with every other reader and writer as a
// POSIX descriptor would be; paths are UTF-16.
#include "platform/file_io.h"

#include <windows.h>

#include "platform/win32/system_error.h"

namespace t418::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle Opened(HANDLE file, std::error_code& error) {
  if (file == INVALID_HANDLE_VALUE) {
    error = win32::LastError();
    return kNoFile;
  }
  error.clear();
  return reinterpret_cast<FileHandle>(file);
}

}  // namespace

FileHandle OpenForReading(const std::filesystem::path& path, std::error_code& error) {
  // A named pipe opens at once here too: the open never waits for a writer.
  return Opened(::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr),
                error);
}

FileHandle OpenForAppending(const std::filesystem::path& path, std::error_code& error) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end.
  HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED)
    file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return Opened(file, error);
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) ::CloseHandle(Handle(file));
}

bool FactsOfOpenFile(FileHandle file, OpenFileFacts& facts, std::error_code& error) {
  const DWORD type = ::GetFileType(Handle(file));
  if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) {
    error = win32::LastError();
    return false;
  }
  facts.regular = false;
  facts.size = 0;
  if (type != FILE_TYPE_DISK) return true;
  FILE_STANDARD_INFO info;
  if (!::GetFileInformationByHandleEx(Handle(file), FileStandardInfo, &info, sizeof info)) {
    error = win32::LastError();
    return false;
  }
  facts.regular = !info.Directory;
  facts.size = info.EndOfFile.QuadPart > 0 ? static_cast<std::uintmax_t>(info.EndOfFile.QuadPart) : 0;
  return true;
}

long ReadSome(FileHandle file, char* buffer, std::size_t size, std::error_code& error) {
  DWORD got = 0;
  const DWORD ask = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (::ReadFile(Handle(file), buffer, ask, &got, nullptr)) return static_cast<long>(got);
  const DWORD reason = ::GetLastError();
  // The writer of a pipe has gone: that is its end.
  if (reason == ERROR_BROKEN_PIPE || reason == ERROR_HANDLE_EOF) return 0;
  error = win32::ErrorOf(reason);
  return -1;
}

long WriteSome(FileHandle file, const char* data, std::size_t size, std::error_code& error) {
  DWORD put = 0;
  const DWORD ask = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (::WriteFile(Handle(file), data, ask, &put, nullptr)) return static_cast<long>(put);
  error = win32::LastError();
  return -1;
}

std::optional<char> ByteAt(FileHandle file, std::uintmax_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  char byte = 0;
  DWORD got = 0;
  if (!::ReadFile(Handle(file), &byte, 1, &got, &at) || got != 1) return std::nullopt;
  return byte;
}

bool CutTo(FileHandle file, std::uintmax_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFileInformationByHandle(Handle(file), FileEndOfFileInfo, &end, sizeof end) != 0;
}

}  // namespace t418::platform
