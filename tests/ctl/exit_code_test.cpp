// Every way a job ends has the exit code scripts were promised for it.
#include <gtest/gtest.h>

#include "ctl/exit_codes.h"

namespace t418::ctl {
namespace {

TEST(ExitCodeOfJob, EachFailureHasItsDocumentedCode) {
  const struct {
    JobFailure failure;
    int code;
  } cases[] = {
      {JobFailure::None, 0},           {JobFailure::OpenFailed, 1},      {JobFailure::Refused, 3},
      {JobFailure::NoReply, 4},        {JobFailure::NoSuchPort, 5},      {JobFailure::Permission, 6},
      {JobFailure::PortBusy, 7},       {JobFailure::PortLost, 8},        {JobFailure::NoFirmwareFile, 9},
      {JobFailure::NoBootLoader, 10},  {JobFailure::TransferStopped, 11}, {JobFailure::NoVersion, 12},
      {JobFailure::BadConfigFile, 13}, {JobFailure::ConfigRefused, 14}, {JobFailure::Differences, 15},
      {JobFailure::Unguarded, 18},     {JobFailure::Duplicate, 19},      {JobFailure::Interrupted, 130},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.failure));
    EXPECT_EQ(static_cast<int>(ExitCodeOf(c.failure)), c.code);
  }
}

TEST(ExitCodeOfJob, APortThatWouldNotOpenEndsWithTheCodeOfItsKind) {
  const struct {
    OpenFailureKind kind;
    int code;
  } cases[] = {{OpenFailureKind::None, 0},
               {OpenFailureKind::NoSuchPort, 5},
               {OpenFailureKind::Permission, 6},
               {OpenFailureKind::Busy, 7},
               {OpenFailureKind::Other, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    EXPECT_EQ(static_cast<int>(ExitCodeOf(JobFailureOf(c.kind))), c.code);
  }
}

}  // namespace
}  // namespace t418::ctl
