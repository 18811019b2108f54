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

void MacroPlayer::Wait(int ms) {
  // The far end goes on talking during a wait; what it says is kept (and
  // shown by the terminal) instead of overflowing the receive FIFO.
  uart_.RcvPause(ms);
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
