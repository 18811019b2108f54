#include "terminal/macro_player.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "terminal/numeric_value.h"

namespace r7n {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
// Only the low 8 bits of a code reach the line.
constexpr std::int32_t kByteMask = 0xFF;
// The steps of a pause as ConSleep takes them: -1 lasts until a key, 100 ms
// or more is cut short by a key, checked before every 50 ms step but the last.
constexpr int kUntilKey = -1;
constexpr int kShortestCutMs = 100;
constexpr int kKeyCheckStepMs = 50;
// A module printing at 115200 bit/s fills the 128-byte receive FIFO in about
// 11 ms; the receiver is read at twice that pace.
constexpr int kWaitSliceMs = 5;
constexpr std::int64_t kUsPerMs = 1000;

}  // namespace

void MacroPlayer::MacroPlay(int m) {
  const std::int32_t lines = tables_.MacroCnt(m);
  if (lines == 0) return;
  if (lines >= 2) {
    // What the program does, and how it ends, is its own business.
    shell_.Run(kExternalProgram);
    return;
  }
  // The appended space ends a number, a wait or an unterminated quote that
  // runs to the end of the line.
  PlayCommand(tables_.MacroLine(m, 1) + ' ');
}

void MacroPlayer::MacroSnd(std::string_view text) {
  uart_.UartSndStrDly(text);
}

void MacroPlayer::PlayCommand(std::string command) {
  Reading reading;
  reading.command = std::move(command);
  for (std::size_t i = 0; i < reading.command.size(); ++i) {
    if (!Read(reading, reading.command[i], static_cast<int>(i) + 1)) return;
  }
}

bool MacroPlayer::Read(Reading& reading, char c, int pos) {
  switch (reading.state) {
    case State::kNormal:
      return ReadNormal(reading, c, pos);
    case State::kQuoted:
      if (c == '"') {
        reading.state = State::kNormal;
      } else {
        SendByte(c);
      }
      return true;
    case State::kCode:
      if (c == ' ') {
        reading.state = State::kNormal;
        SendCode(reading.number);
      } else {
        reading.number += c;
      }
      return true;
    case State::kWait:
      if (c == ' ') {
        reading.state = State::kNormal;
        Wait(NumericInt(reading.number));
      } else {
        reading.number += c;
      }
      return true;
    case State::kAfterC:
      reading.state = State::kNormal;
      if (c == 'R') {
        SendByte(kCr);
      } else {
        CommandError(reading, pos);
      }
      return true;
    case State::kAfterL:
      reading.state = State::kNormal;
      if (c == 'F') {
        SendByte(kLf);
      } else {
        CommandError(reading, pos);
      }
      return true;
  }
  return true;
}

bool MacroPlayer::ReadNormal(Reading& reading, char c, int pos) {
  switch (c) {
    case '"':
      reading.state = State::kQuoted;
      break;
    case '$':
      reading.state = State::kCode;
      reading.number.clear();
      break;
    case 'W':
    case 'w':
      reading.state = State::kWait;
      reading.number.clear();
      break;
    case 'C':
    case 'c':
      reading.state = State::kAfterC;
      break;
    case 'L':
    case 'l':
      reading.state = State::kAfterL;
      break;
    case ' ':
      break;
    case '\'':
      // The rest of the line is a comment.
      return false;
    default:
      CommandError(reading, pos);
      break;
  }
  return true;
}

void MacroPlayer::SetWaitHook(std::function<void()> hook) {
  wait_hook_ = std::move(hook);
}

void MacroPlayer::Wait(int ms) {
  if (wait_hook_) {
    WaitReceiving(ms);
  } else {
    con_.ConSleep(ms);
  }
}

void MacroPlayer::WaitReceiving(int ms) {
  if (ms == kUntilKey) {
    while (!con_.ConKeyWaiting()) SleepReceiving(kKeyCheckStepMs);
    return;
  }
  if (ms <= 0) return;
  // The wait ends at a time, not after a count of slices: showing what
  // arrived takes time of its own (an error message waits for a key).
  Clock& clock = con_.GetClock();
  const std::int64_t end_us = clock.NowUs() + std::int64_t{ms} * kUsPerMs;
  if (ms >= kShortestCutMs) {
    while (end_us - clock.NowUs() > std::int64_t{kKeyCheckStepMs} * kUsPerMs) {
      if (con_.ConKeyArrived()) return;
      SleepReceivingUntil(clock.NowUs() + std::int64_t{kKeyCheckStepMs} * kUsPerMs);
    }
  }
  SleepReceivingUntil(end_us);
}

void MacroPlayer::SleepReceiving(int ms) {
  SleepReceivingUntil(con_.GetClock().NowUs() + std::int64_t{ms} * kUsPerMs);
}

void MacroPlayer::SleepReceivingUntil(std::int64_t end_us) {
  Clock& clock = con_.GetClock();
  for (std::int64_t left_us = end_us - clock.NowUs(); left_us > 0;
       left_us = end_us - clock.NowUs()) {
    const std::int64_t left_ms = (left_us + kUsPerMs - 1) / kUsPerMs;
    con_.ConSleep(static_cast<int>(std::min<std::int64_t>(left_ms, kWaitSliceMs)));
    wait_hook_();
  }
}

void MacroPlayer::SendCode(std::string_view number) {
  SendByte(static_cast<char>(NumericInt(number) & kByteMask));
}

void MacroPlayer::SendByte(char byte) {
  MacroSnd(std::string_view(&byte, 1));
}

void MacroPlayer::CommandError(const Reading& reading, int pos) {
  // The operator sees the whole line, so the position is the only pointer to
  // the culprit; reading goes on once the message is answered.
  helpers_.ErrMsgBell("Cmd:" + reading.command + "  Pos" + std::to_string(pos) + " ??");
}

}  // namespace r7n
