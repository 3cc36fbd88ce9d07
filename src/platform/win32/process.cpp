#include "platform/process.h"

#include <windows.h>

namespace t418::platform {

long CurrentProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

bool ProcessGone(long pid) {
  const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  // A process that has ended but whose handle someone keeps is gone too.
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

}  // namespace t418::platform
