#pragma once
// Whether a standard stream of the process is an interactive terminal (so that
// progress or notes meant for a person may go there), and how such a terminal
// reads the text written to it.
namespace t418::platform {

enum class StandardStream { Input, Output, Error };

bool IsInteractiveTerminal(StandardStream stream);

// The program writes UTF-8 to every stream. While this lives, a console that
// shows its standard output or error reads that text as UTF-8 too (a Windows
// console reads the code page of the system's language otherwise, and shows
// Chinese text as garbage); the console's own setting comes back when it goes.
// Files and pipes get the bytes as they are, and a terminal that takes UTF-8
// anyway is left alone.
class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput();
  ~Utf8ConsoleOutput();
  Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
  Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

 private:
  unsigned previous_ = 0;  // the console's code page before; 0 when none was changed
};

}  // namespace t418::platform
