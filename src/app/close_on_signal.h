#pragma once
// SIGTERM, SIGINT and SIGHUP close the main window as the user's close would,
// so that everything its closing does (the profile is saved) happens once: a
// desktop logout sends SIGTERM. A second signal ends the program at once.
#include <QObject>

class QWidget;

namespace t418 {

class CloseOnSignal : public QObject {
 public:
  // Catches the three signals for as long as this object lives.
  explicit CloseOnSignal(QWidget* window);
  ~CloseOnSignal() override;
};

}  // namespace t418
