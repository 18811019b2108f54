// The program that the shell tests start in place of the real external
// program:
//   (no arguments)  exits with kCalledBare, so a test sees it ran unargued;
//   wait FILE       creates FILE empty, then waits to be stopped; if nothing
//                   stops it within kLongestWaitMs it writes kWaitedOut into
//                   FILE and exits 0.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kCalledBare = 40;
constexpr int kUnknownCall = 2;
constexpr DWORD kLongestWaitMs = 20000;
constexpr char kWaitedOut[] = "waited out";

int WaitToBeStopped(const char* started_file) {
  if (std::FILE* file = std::fopen(started_file, "w")) std::fclose(file);
  Sleep(kLongestWaitMs);
  if (std::FILE* file = std::fopen(started_file, "w")) {
    std::fputs(kWaitedOut, file);
    std::fclose(file);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return kCalledBare;
  if (argc == 3 && std::strcmp(argv[1], "wait") == 0) return WaitToBeStopped(argv[2]);
  return kUnknownCall;
}
