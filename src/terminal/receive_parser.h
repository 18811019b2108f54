#pragma once

#include <cstdint>
#include <string_view>

namespace r7n {

// What the receive parser makes of the bytes a far end sends. The parser does
// no output of its own, so each event can be checked on its own in tests.
class ReceiveSink {
 public:
  virtual ~ReceiveSink() = default;
  // A byte shown as itself: 0x20-0xFF (DEL included), CR and LF. These are the
  // only bytes that go to the capture file.
  virtual void Shown(std::uint8_t byte) = 0;
  // The visible form of a control byte or of a sequence the terminal does not
  // interpret ("<1F>", "<ESC><63>", "<ESC><[><?>" and the byte). Printed on
  // screen, never captured.
  virtual void Visible(std::string_view text) = 0;
  // Cursor to the next tab stop of the row; nothing is printed.
  virtual void Tab() = 0;
  // Cursor one column left if it can; nothing is erased.
  virtual void Backspace() = 0;
  virtual void Bell() = 0;
  // One parameter of a colour sequence (ESC [ ... m), 0 when it was empty.
  virtual void Sgr(int n) = 0;
  // ESC [ ... J: blank the rest of the row, cursor stays.
  virtual void EraseToEnd() = 0;
};

// The terminal's receive side: normal bytes, an ESC, and the parameter list of
// an ESC [ sequence. Its state outlives each Feed, so a sequence that arrives
// split over two receive passes reads as if it had come whole. Nothing is an
// error: whatever it does not interpret is shown in a visible form.
class ReceiveParser {
 public:
  enum class State { kNormal = 0, kAfterEsc = 1, kInParams = 2 };

  explicit ReceiveParser(ReceiveSink& sink) : sink_(sink) {}

  void Feed(std::uint8_t byte);
  void Feed(std::string_view bytes);

  State CurrentState() const { return state_; }

 private:
  void FeedNormal(std::uint8_t byte);
  void FeedAfterEsc(std::uint8_t byte);
  void FeedInParams(std::uint8_t byte);
  void AppendDigit(std::uint8_t digit);
  void EmitSgr();

  ReceiveSink& sink_;
  State state_ = State::kNormal;
  // The parameter collected so far, as a number rather than as text: a far end
  // that sends endless digits then costs no memory. It saturates at the top of
  // the int range, far above any parameter that means something.
  int param_ = 0;
};

}  // namespace r7n
