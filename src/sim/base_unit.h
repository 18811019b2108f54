#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sim/chassis_config.h"
#include "sim/external_console.h"
#include "sim/line_device.h"
#include "sim/module_console.h"
#include "sim/uart_model.h"
#include "sim/zcp_controller.h"

namespace r7n::sim {

// What the UART's serial line is connected to. The first five double as
// channel numbers: 0 the ZCP controller, 1 to 4 modules A to D.
enum class Device { kZcp, kModuleA, kModuleB, kModuleC, kModuleD, kNone };

// The wire between the channel selector and one device. The device's replies
// queue here and go out one frame after the other at the device's own rate,
// whether or not the selector connects the line to the UART. It also keeps
// what crossed it in either direction, for inspection.
class DeviceLine {
 public:
  // A frame the device finished sending, and when its start bit began.
  struct Frame {
    std::uint8_t byte;
    std::int64_t start_ns;
  };

  DeviceLine(std::int64_t frame_ns, bool keep_history)
      : frame_ns_(frame_ns), keep_history_(keep_history) {}

  // The device starts sending bytes at at_ns, behind anything still queued.
  void Send(std::string_view bytes, std::int64_t at_ns);
  std::optional<std::int64_t> NextDoneNs() const;
  Frame FinishFrame();
  // The device stopped talking (it was reset): what it still had queued is gone.
  void Drop();
  void RecordDelivered(std::uint8_t byte) {
    if (keep_history_) to_device_ += static_cast<char>(byte);
  }

  // Bytes the device heard from the UART, as it decoded them (empty when the
  // chassis keeps no history, as for FromDevice).
  const std::string& ToDevice() const { return to_device_; }
  // Every frame the device put on the line, heard by the UART or not.
  const std::string& FromDevice() const { return from_device_; }
  // Bytes the device has queued that have not finished crossing the line.
  std::size_t Pending() const { return queue_.size(); }
  // When the last queued frame will have ended (or the last one did).
  std::int64_t TailNs() const { return tail_ns_; }
  std::int64_t FrameNs() const { return frame_ns_; }

  // What became of the device's frames at the UART.
  void CountOverrun() { ++overruns_; }
  void CountFramingError() { ++framing_errors_; }
  int Overruns() const { return overruns_; }
  int FramingErrors() const { return framing_errors_; }

 private:
  struct Queued {
    std::uint8_t byte;
    std::int64_t earliest_ns;
  };

  std::int64_t StartNs(const Queued& next) const;

  std::int64_t frame_ns_;
  bool keep_history_;
  std::int64_t free_ns_ = 0;  // when the last stop bit ended
  std::int64_t tail_ns_ = 0;  // when the last queued stop bit will end
  int overruns_ = 0;
  int framing_errors_ = 0;
  std::deque<Queued> queue_;
  std::string to_device_;
  std::string from_device_;
};

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

  static constexpr int kSlots = 4;
  static constexpr std::int64_t kNsPerUs = 1'000;

  // Base unit 1 or 2 of the chassis that config describes.
  BaseUnit(int unit, const ChassisConfig& config);
  // The devices and the line keep pointers into the unit.
  BaseUnit(const BaseUnit&) = delete;
  BaseUnit& operator=(const BaseUnit&) = delete;

  // Brings the UART, the lines and the devices up to now_us, in the order
  // things happened in between; called before every access.
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

  UartModel& Uart() { return uart_; }
  const UartModel& Uart() const { return uart_; }
  ZcpController& Zcp() { return zcp_; }
  // The console of module slot 0 to 3 (A to D), or null for a slot without
  // one (silent or noise); any other slot throws std::out_of_range.
  ModuleConsole* Module(int slot);
  // The wire to a device; Device::kNone throws std::out_of_range.
  const DeviceLine& Line(Device device) const;

  // The real console on a line, or null when the device is a model.
  const ExternalConsole* External(Device device) const {
    return channels_[LineIndex(device)].external;
  }

  // Test hook: the device puts bytes on its line at the time of the last advance.
  void Inject(Device device, std::string_view bytes);

  // The address a module in this slot has configured at power-up.
  // How a module of this kind in this slot starts.
  static ModuleConsoleConfig ConsoleConfigFor(ModuleKind kind, int unit, int slot,
                                              const ChassisConfig& chassis);
  static std::string ModuleAddress(int unit, int slot);

 private:
  // One channel of the selector: its wire and what is at the far end of it.
  struct Channel {
    Channel(std::int64_t frame_ns, bool keep_history) : line(frame_ns, keep_history) {}

    // What the unit fitted here; the unit's own controller is not in it.
    std::unique_ptr<LineDevice> owned;
    // What hears the line: the fitted device, or the unit's own controller.
    LineDevice* device = nullptr;
    ModuleConsole* console = nullptr;     // when the device is a module's console
    ExternalConsole* external = nullptr;  // when the device is a real console
    DeviceLine line;
    // When the real console last had nothing more to say: its next bytes
    // cannot have started across the line before that.
    std::int64_t drained_ns = 0;
    // A real console that had nothing is asked again a frame later, not at
    // every port access.
    std::int64_t next_poll_ns = 0;
  };
  static constexpr std::size_t kChannels = kSlots + 1;

  struct NextEvent {
    enum class Kind { kTransmit, kZcpWake, kLine } kind;
    std::int64_t at_ns;
    std::size_t line;
  };

  std::optional<NextEvent> EarliestEvent() const;
  void Run(const NextEvent& event);
  void DeliverTransmitted();
  void FinishLineFrame(std::size_t line);
  void WakeZcp(std::int64_t at_ns);
  void TickDevices(std::int64_t now_us);
  void SupplyLines(std::int64_t now_ns);
  static std::array<Channel, kChannels> MakeChannels(std::int64_t baud, bool keep_history);
  void FitModule(int unit, std::size_t slot, const BaseUnitConfig& unit_config,
                 const ChassisConfig& config);
  void FitExternal(std::size_t channel, std::string slot, const EndpointAddress& where,
                   const ChassisConfig& config);
  void Fit(std::size_t channel, std::unique_ptr<LineDevice> device);
  bool BuiltInZcpOnLine() const { return channels_[0].external == nullptr; }

  std::uint8_t ReadRegister(std::uint8_t reg);
  void WriteRegister(std::uint8_t reg, std::uint8_t value);
  void WriteChanSel(std::uint8_t value);
  static bool InUart(std::uint8_t reg);
  static std::size_t LineIndex(Device device);

  bool fitted_;
  std::uint8_t board_id_;
  std::int64_t line_baud_;
  std::uint8_t index_ = kDefaultIndex;
  std::uint8_t chan_sel_ = kDefaultChanSel;
  int zcp_reset_count_ = 0;
  std::optional<std::int64_t> zcp_reset_ended_us_;
  std::int64_t now_ns_ = 0;
  // When the selector last connected the line it now connects; frames that
  // began before that reached no one whole.
  std::int64_t connected_since_ns_ = 0;
  UartModel uart_;
  // The controller built into the unit; a real console fitted on its channel
  // takes its place on the line.
  ZcpController zcp_;
  // By channel: the ZCP controller, then modules A to D.
  std::array<Channel, kChannels> channels_;
  // What a device says in answer to one event; kept to save allocations.
  std::string reply_;
};

}  // namespace r7n::sim
