#pragma once

#include <cstdint>
#include <optional>

#include "sim/uart_model.h"

namespace r7n::sim {

// What the UART's serial line is connected to.
enum class Device { kZcp, kModuleA, kModuleB, kModuleC, kModuleD, kNone };

// One base unit behind its index/data port pair: the index register, BoardId,
// the UART block, and the channel selector that routes the UART's line to the
// ZCP controller or one of the four modules and drives the ZCP reset line.
class BaseUnit {
 public:
  // Register numbers on the base unit.
  static constexpr std::uint8_t kBoardId = 0x00;   // read: 0xD0 | board revision
  static constexpr std::uint8_t kUartBase = 0x30;  // first register of the UART block
  static constexpr std::uint8_t kChanSel = 0x37;   // write: channel selector and ZCP reset

  // BoardId: the high nibble marks a base unit, the low nibble is its revision.
  static constexpr std::uint8_t kBoardIdType = 0xD0;
  static constexpr std::uint8_t kBoardIdRevisionMask = 0x0F;

  // Channel selector values.
  static constexpr std::uint8_t kSelZcp = 0x00;       // line to the ZCP controller, reset released
  static constexpr std::uint8_t kSelZcpReset = 0x01;  // ZCP controller held in reset
  static constexpr std::uint8_t kSelModuleA = 0x40;   // line to module A
  static constexpr std::uint8_t kSelModuleB = 0x50;   // line to module B
  static constexpr std::uint8_t kSelModuleC = 0x60;   // line to module C
  static constexpr std::uint8_t kSelModuleD = 0x70;   // line to module D

  // Power-up values. The index starts on BoardId, and the selector on the ZCP
  // controller, which is where the PC expects the line between actions.
  static constexpr std::uint8_t kDefaultIndex = kBoardId;
  static constexpr std::uint8_t kDefaultChanSel = kSelZcp;

  // What a read yields when nothing drives the bus.
  static constexpr std::uint8_t kFloatingBus = 0xFF;

  BaseUnit(bool fitted, std::uint8_t revision);

  // Brings the unit up to now_us before an access; the serial line will be
  // stepped from here.
  void Advance(std::int64_t now_us);

  void WriteIndex(std::uint8_t value);
  void WriteData(std::uint8_t value);
  std::uint8_t ReadData();

  bool Fitted() const { return fitted_; }
  std::uint8_t Index() const { return index_; }
  std::uint8_t BoardIdValue() const { return board_id_; }
  std::uint8_t ChanSelValue() const { return chan_sel_; }
  Device SelectedDevice() const;
  bool ZcpInReset() const { return chan_sel_ == kSelZcpReset; }
  // Resets that have ended since power-up, and when the last one ended.
  int ZcpResetCount() const { return zcp_reset_count_; }
  std::optional<std::int64_t> ZcpResetEndedUs() const { return zcp_reset_ended_us_; }
  const UartModel& Uart() const { return uart_; }

 private:
  std::uint8_t ReadRegister(std::uint8_t reg);
  void WriteRegister(std::uint8_t reg, std::uint8_t value);
  void WriteChanSel(std::uint8_t value);
  static bool InUart(std::uint8_t reg);

  bool fitted_;
  std::uint8_t board_id_;
  std::uint8_t index_ = kDefaultIndex;
  std::uint8_t chan_sel_ = kDefaultChanSel;
  int zcp_reset_count_ = 0;
  std::optional<std::int64_t> zcp_reset_ended_us_;
  std::int64_t now_us_ = 0;
  UartModel uart_;
};

}  // namespace r7n::sim
