// The chassis lock on Windows: a named mutex, which the system hands on as
// abandoned when its owner dies; beside it a small named memory block that
// names the owner for whoever is refused.

#include "platform/chassis_lock.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace r7n {
namespace {

constexpr DWORD kHolderBytes = 256;

class MutexLock : public ChassisLock {
 public:
  MutexLock(HANDLE mutex, HANDLE holder) : mutex_(mutex), holder_(holder) {}
  ~MutexLock() override {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
    if (holder_ != nullptr) ::CloseHandle(holder_);
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  HANDLE mutex_;
  HANDLE holder_;
};

// The global name serves every session of the machine; an account that may
// not create global objects falls back to its own session's.
HANDLE CreateChassisMutex(std::string& name) {
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr && ::GetLastError() == ERROR_ACCESS_DENIED &&
      name.rfind("Global\\", 0) == 0) {
    name = "Local\\" + name.substr(7);
    mutex = ::CreateMutexA(nullptr, FALSE, name.c_str());
  }
  return mutex;
}

HANDLE WriteHolder(const std::string& name, const std::string& holder) {
  HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        kHolderBytes, (name + "_holder").c_str());
  if (mapping == nullptr) return nullptr;
  if (void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kHolderBytes)) {
    const std::size_t bytes = holder.size() < kHolderBytes - 1 ? holder.size() : kHolderBytes - 1;
    std::memcpy(view, holder.data(), bytes);
    static_cast<char*>(view)[bytes] = '\0';
    ::UnmapViewOfFile(view);
  }
  return mapping;
}

std::string ReadHolder(const std::string& name) {
  std::string holder;
  HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, (name + "_holder").c_str());
  if (mapping == nullptr) return "another program";
  if (const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kHolderBytes)) {
    holder.assign(static_cast<const char*>(view),
                  ::strnlen(static_cast<const char*>(view), kHolderBytes));
    ::UnmapViewOfFile(view);
  }
  ::CloseHandle(mapping);
  return holder.empty() ? "another program" : holder;
}

}  // namespace

std::string DefaultChassisLockPlace() {
  if (const char* place = std::getenv("R7N_UART_LOCK"); place != nullptr && *place != '\0') {
    return place;
  }
  return "Global\\r7n_uart_chassis";
}

ChassisLockResult LockChassis(const std::string& place, const std::string& holder) {
  std::string name = place;
  HANDLE mutex = CreateChassisMutex(name);
  if (mutex == nullptr) {
    return {
        ChassisLockResult::State::kFailed, nullptr,
        "cannot take the chassis lock " + place + ": error " + std::to_string(::GetLastError())};
  }
  const DWORD waited = ::WaitForSingleObject(mutex, 0);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    return {ChassisLockResult::State::kHeld,
            std::make_unique<MutexLock>(mutex, WriteHolder(name, holder)),
            {}};
  }
  ::CloseHandle(mutex);
  return {ChassisLockResult::State::kInUse, nullptr,
          "the chassis is in use by " + ReadHolder(name) + " (lock " + name + ")"};
}

}  // namespace r7n
