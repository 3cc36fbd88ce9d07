// The running marker: the first copy makes it and stores 0, a second copy only
// maps it, and the name goes away with the last copy.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QTest>
#include <optional>

#include "app/run_once.h"

using namespace t418;

namespace {

std::string TestName() { return "/t418-run-once-test-" + std::to_string(getpid()); }

// The marker's integer as another process would read it; nullopt when the name does not exist.
std::optional<int> ReadByName(const std::string& name) {
  const int fd = shm_open(name.c_str(), O_RDWR, 0);
  if (fd < 0) return std::nullopt;
  void* view = mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (view == MAP_FAILED) return std::nullopt;
  const int value = *static_cast<int*>(view);
  munmap(view, sizeof(int));
  return value;
}

void WriteByName(const std::string& name, int value) {
  const int fd = shm_open(name.c_str(), O_RDWR, 0);
  QVERIFY(fd >= 0);
  void* view = mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  QVERIFY(view != MAP_FAILED);
  *static_cast<int*>(view) = value;
  munmap(view, sizeof(int));
}

}  // namespace

class RunOnceTest : public QObject {
  Q_OBJECT

 private slots:
  void theFirstCopyCreatesTheMarkerAndTheSecondLeavesItAlone() {
    const std::string name = TestName();
    shm_unlink(name.c_str());
    {
      RunOnceMarker first(name);
      QVERIFY(first.Mapped());
      QVERIFY(first.Created());
      QCOMPARE(ReadByName(name), std::optional<int>(0));

      WriteByName(name, 7);  // stands for whatever the integer holds meanwhile
      {
        RunOnceMarker second(name);
        QVERIFY(second.Mapped());
        QVERIFY(!second.Created());
        QCOMPARE(second.Value(), 7);  // not reset
      }
      // The second copy ended; the first still runs, so the name stays.
      QCOMPARE(ReadByName(name), std::optional<int>(7));
    }
    QCOMPARE(ReadByName(name), std::optional<int>());
  }
};

QTEST_MAIN(RunOnceTest)
#include "run_once_test.moc"
