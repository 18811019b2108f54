#pragma once

#include <cstdint>

namespace r7n {

// Where a UART operation goes: the data port of a base unit (its index port is
// the next one) and the register number of the UART's first register.
struct UartChanAdr {
  std::int32_t port = 0x310;
  std::int32_t regBase = 0x30;
};

// I/O ports of the chassis.
inline constexpr std::int32_t kBusResetPort = 0x2A4;  // KJ bus reset line
inline constexpr std::int32_t kBase1Port = 0x310;     // base unit 1 data port
inline constexpr std::int32_t kBase2Port = 0x312;     // base unit 2 data port
inline constexpr std::int32_t kUartRegBase = 0x30;    // first UART register of a base unit

inline constexpr std::uint8_t kBusResetHold = 0xFF;
inline constexpr std::uint8_t kBusResetRelease = 0x00;

// Data port of base unit 1 or 2.
inline constexpr std::int32_t BasePort(int unit) {
  return kBase1Port + 2 * (unit - 1);
}

// Registers of a base unit. BoardId is absolute; the others are offsets from
// regBase.
inline constexpr int kBoardId = 0x00;   // read: 0xD0 | revision when fitted
inline constexpr int kUartDivLo = 0;    // write: divisor bits 0-7
inline constexpr int kUartDivHi = 1;    // write: divisor bits 8-15
inline constexpr int kUartTxSta = 2;    // read: transmit status
inline constexpr int kUartTxDat = 2;    // write: transmit data
inline constexpr int kUartCtl = 3;      // write: last step of channel programming
inline constexpr int kUartRcvDat = 4;   // read: next received byte
inline constexpr int kUartRcvSta = 5;   // read: count waiting, error bit
inline constexpr int kUartCfg = 6;      // write: receiver set-up; read: error flags
inline constexpr int kUartChanSel = 7;  // write: line selector, ZCP reset

// Bits and values.
inline constexpr std::uint8_t kUartTxStaEmpty = 0x01;  // transmitter empty
inline constexpr std::uint8_t kUartTxStaBusy = 0x02;   // clear: ready for a block
inline constexpr std::uint8_t kUartRcvCountMask = 0x7F;
inline constexpr std::uint8_t kUartRcvError = 0x80;
inline constexpr std::uint8_t kUartCfgFraming = 0x01;  // framing error flag (read)
inline constexpr std::uint8_t kUartCfgInit = 0xC1;     // (re)initialises the receiver
inline constexpr std::uint8_t kUartCtlOn = 0x01;
inline constexpr std::uint8_t kPresenceMask = 0xF0;
inline constexpr std::uint8_t kPresenceValue = 0xD0;

// Line selector values.
inline constexpr std::uint8_t kChanSelZcp = 0x00;       // ZCP controller; ends a reset
inline constexpr std::uint8_t kChanSelModuleA = 0x40;   // B 0x50, C 0x60, D 0x70
inline constexpr std::uint8_t kChanSelZcpReset = 0x01;  // ZCP controller held in reset

inline constexpr std::int32_t kUartClockHz = 125'000'000;
inline constexpr std::int32_t kDefaultBaudRate = 115200;

}  // namespace r7n
