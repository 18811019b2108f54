#include "platform/chassis_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace r7n {
namespace {

std::string TestPlace() {
#ifdef _WIN32
  return "Local\\r7n_chassis_lock_test_" + std::to_string(::GetCurrentProcessId());
#else
  return (std::filesystem::temp_directory_path() /
          ("r7n_chassis_lock_test_" + std::to_string(::getpid())))
      .string();
#endif
}

// Taken on a thread of its own: a Windows mutex lets its owning thread in again.
ChassisLockResult LockElsewhere(const std::string& place, bool release) {
  ChassisLockResult result;
  std::thread([&] {
    result = LockChassis(place, "second");
    if (release) result.lock.reset();
  }).join();
  return result;
}

TEST(ChassisLock, OneHolderAtATimeAndTheRefusedOneHearsWho) {
  const std::string place = TestPlace();
  ChassisLockResult first = LockChassis(place, "r7n_uart survey, process 1234");
  ASSERT_EQ(first.state, ChassisLockResult::State::kHeld) << first.message;

  const ChassisLockResult refused = LockElsewhere(place, true);
  EXPECT_EQ(refused.state, ChassisLockResult::State::kInUse);
  EXPECT_EQ(refused.lock, nullptr);
  EXPECT_NE(refused.message.find("in use by r7n_uart survey, process 1234"), std::string::npos)
      << refused.message;

  first.lock.reset();
  const ChassisLockResult next = LockElsewhere(place, true);
  EXPECT_EQ(next.state, ChassisLockResult::State::kHeld) << next.message;
#ifndef _WIN32
  std::filesystem::remove(place);
  const ChassisLockResult nowhere = LockChassis(place + ".d/none/lock", "x");
  EXPECT_EQ(nowhere.state, ChassisLockResult::State::kFailed);
  EXPECT_NE(nowhere.message.find("cannot take the chassis lock"), std::string::npos);
#endif
}

}  // namespace
}  // namespace r7n
