#pragma once
// The requests to stop that a program gets from outside: an interrupt from the
// keyboard, a request to end (a desktop logout) and a hang-up of its terminal.
namespace t418::platform {

// What the handler receives: a number that tells the requests apart, also
// usable as an exit status offset (128 + number).
using StopHandler = void (*)(int number);

enum class SignalCalls {
  Restart,    // a system call the request cuts into goes on
  Interrupt,  // such a call returns at once (a wait ends early)
};

// Calls handler (in signal context: only signal-safe work) on each of the
// three requests until RestoreStopRequests.
void CatchStopRequests(StopHandler handler, SignalCalls calls = SignalCalls::Restart);
// The system's default action for the three requests again.
void RestoreStopRequests();

// A write past the system's file size limit then fails with an error instead
// of ending the program.
void IgnoreFileSizeLimitSignal();

// Ends the process at once with status, running no exit handlers (signal-safe).
[[noreturn]] void ExitNow(int status);

}  // namespace t418::platform
