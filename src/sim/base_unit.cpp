#include "sim/base_unit.h"

#include <algorithm>
#include <stdexcept>

#include "sim/endpoint_factory.h"
#include "sim/noise_module.h"
#include "sim/text_module.h"

namespace r7n::sim {
namespace {

const BaseUnitConfig& UnitConfig(int unit, const ChassisConfig& config) {
  if (unit == 1) return config.base1;
  if (unit == 2) return config.base2;
  throw std::out_of_range("no base unit " + std::to_string(unit));
}

std::int64_t CheckedLineBaud(const ChassisConfig& config) {
  if (config.line_baud <= 0) throw std::invalid_argument("line rate must be positive");
  return config.line_baud;
}

std::size_t CheckedFifoDepth(const ChassisConfig& config) {
  if (config.rx_fifo_depth < 1) throw std::invalid_argument("receive FIFO depth must be positive");
  return static_cast<std::size_t>(config.rx_fifo_depth);
}

// A module model that is not a console, or null for a console's kind.
std::unique_ptr<LineDevice> MakeModuleModel(ModuleKind kind, const ChassisConfig& config) {
  if (kind == ModuleKind::kSilent) return std::make_unique<SilentDevice>();
  if (kind == ModuleKind::kNoise) return std::make_unique<NoiseModule>(config.noise);
  if (kind == ModuleKind::kText) return std::make_unique<TextModule>(config.noise.burst_bytes);
  return nullptr;
}

}  // namespace

void DeviceLine::Send(std::string_view bytes, std::int64_t at_ns) {
  for (char c : bytes) {
    queue_.push_back({static_cast<std::uint8_t>(c), at_ns});
    tail_ns_ = std::max(tail_ns_, at_ns) + frame_ns_;
  }
}

void DeviceLine::Drop() {
  queue_.clear();
  tail_ns_ = free_ns_;
}

std::int64_t DeviceLine::StartNs(const Queued& next) const {
  return std::max(next.earliest_ns, free_ns_);
}

std::optional<std::int64_t> DeviceLine::NextDoneNs() const {
  if (queue_.empty()) return std::nullopt;
  return StartNs(queue_.front()) + frame_ns_;
}

DeviceLine::Frame DeviceLine::FinishFrame() {
  if (queue_.empty()) throw std::logic_error("no frame on the line");
  const Frame frame{queue_.front().byte, StartNs(queue_.front())};
  queue_.pop_front();
  free_ns_ = frame.start_ns + frame_ns_;
  if (keep_history_) from_device_ += static_cast<char>(frame.byte);
  return frame;
}

ModuleConsoleConfig BaseUnit::ConsoleConfigFor(ModuleKind kind, int unit, int slot,
                                               const ChassisConfig& chassis) {
  const bool tr7n = kind == ModuleKind::kTr7n || kind == ModuleKind::kTr7nShell;
  ModuleConsoleConfig config{
      .variant = tr7n ? ModuleVariant::kTr7n : ModuleVariant::kR7n,
      .logged_in = kind == ModuleKind::kR7nShell || kind == ModuleKind::kTr7nShell,
      .address = ModuleAddress(unit, slot),
      .interfaces_file = chassis.interfaces_file,
  };
  if (kind == ModuleKind::kR7nNoAddress) {
    // A module set up for DHCP: the file is there, but names no address.
    config.interfaces_file = "auto lo\niface lo inet loopback\n\nauto eth0\niface eth0 inet dhcp\n";
  }
  return config;
}

BaseUnit::BaseUnit(int unit, const ChassisConfig& config)
    : fitted_(UnitConfig(unit, config).fitted),
      board_id_(
          static_cast<std::uint8_t>(kBoardIdType | (config.board_revision & kBoardIdRevisionMask))),
      line_baud_(CheckedLineBaud(config)),
      uart_(CheckedFifoDepth(config), config.keep_line_history),
      channels_(MakeChannels(line_baud_, config.keep_line_history)) {
  channels_[0].device = &zcp_;
  const BaseUnitConfig& unit_config = UnitConfig(unit, config);
  if (fitted_ && unit_config.zcp) {
    FitExternal(0, "base" + std::to_string(unit) + " ZCP", *unit_config.zcp, config);
  }
  for (std::size_t slot = 0; slot < kSlots; ++slot) FitModule(unit, slot, unit_config, config);
}

std::array<BaseUnit::Channel, BaseUnit::kChannels> BaseUnit::MakeChannels(std::int64_t baud,
                                                                          bool keep_history) {
  const std::int64_t ns = FrameNsAtBaud(baud);
  return {Channel(ns, keep_history), Channel(ns, keep_history), Channel(ns, keep_history),
          Channel(ns, keep_history), Channel(ns, keep_history)};
}

void BaseUnit::FitModule(int unit, std::size_t slot, const BaseUnitConfig& unit_config,
                         const ChassisConfig& config) {
  const std::size_t channel = slot + 1;
  const ModuleKind kind = unit_config.modules[slot];
  if (kind == ModuleKind::kExternal) {
    if (!unit_config.endpoints[slot]) throw std::invalid_argument("external slot without endpoint");
    // A unit that is not fitted opens nothing: its slots never see the line.
    if (!fitted_) return Fit(channel, std::make_unique<SilentDevice>());
    const std::string name = "base" + std::to_string(unit) + " " + static_cast<char>('A' + slot);
    return FitExternal(channel, name, *unit_config.endpoints[slot], config);
  }
  if (std::unique_ptr<LineDevice> model = MakeModuleModel(kind, config)) {
    return Fit(channel, std::move(model));
  }
  auto console =
      std::make_unique<ModuleConsole>(ConsoleConfigFor(kind, unit, static_cast<int>(slot), config));
  channels_[channel].console = console.get();
  Fit(channel, std::move(console));
}

void BaseUnit::FitExternal(std::size_t channel, std::string slot, const EndpointAddress& where,
                           const ChassisConfig& config) {
  std::unique_ptr<Endpoint> endpoint =
      config.make_endpoint ? config.make_endpoint(where)
                           : MakeEndpoint(where, config.endpoint_timing, config.line_baud);
  auto console = std::make_unique<ExternalConsole>(
      std::move(slot), where.Text(), std::move(endpoint), config.events, config.trace_bytes);
  channels_[channel].external = console.get();
  Fit(channel, std::move(console));
}

void BaseUnit::Fit(std::size_t channel, std::unique_ptr<LineDevice> device) {
  channels_[channel].device = device.get();
  channels_[channel].owned = std::move(device);
}

std::string BaseUnit::ModuleAddress(int unit, int slot) {
  // Base unit 1 holds .11 to .14 and base unit 2 .21 to .24, so every module
  // of the chassis starts with an address of its own.
  return "192.168.0." + std::to_string(10 * unit + slot + 1);
}

void BaseUnit::Advance(std::int64_t now_us) {
  const std::int64_t now_ns = now_us * kNsPerUs;
  // Nothing happens on a board that is not there; time never runs backwards.
  if (!fitted_ || now_ns < now_ns_) return;
  SupplyLines(now_ns);
  while (const std::optional<NextEvent> event = EarliestEvent()) {
    if (event->at_ns > now_ns) break;
    Run(*event);
  }
  now_ns_ = now_ns;
  uart_.AdvanceTo(now_ns);
  TickDevices(now_us);
}

std::optional<BaseUnit::NextEvent> BaseUnit::EarliestEvent() const {
  std::optional<NextEvent> best;
  auto consider = [&best](NextEvent::Kind kind, std::optional<std::int64_t> at_ns,
                          std::size_t line) {
    if (at_ns && (!best || *at_ns < best->at_ns)) best = NextEvent{kind, *at_ns, line};
  };
  consider(NextEvent::Kind::kTransmit, uart_.NextTxDoneNs(), 0);
  // A real controller in its place: the built-in one is not on the line.
  const std::optional<std::int64_t> wake_us = BuiltInZcpOnLine() ? zcp_.WakeUs() : std::nullopt;
  consider(NextEvent::Kind::kZcpWake, wake_us ? std::optional(*wake_us * kNsPerUs) : std::nullopt,
           0);
  for (std::size_t i = 0; i < channels_.size(); ++i) {
    consider(NextEvent::Kind::kLine, channels_[i].line.NextDoneNs(), i);
  }
  return best;
}

void BaseUnit::Run(const NextEvent& event) {
  switch (event.kind) {
    case NextEvent::Kind::kTransmit:
      return DeliverTransmitted();
    case NextEvent::Kind::kZcpWake:
      return WakeZcp(event.at_ns);
    case NextEvent::Kind::kLine:
      return FinishLineFrame(event.line);
  }
}

void BaseUnit::DeliverTransmitted() {
  const UartModel::TxFrame frame = uart_.FinishTx();
  const std::int64_t at_ns = uart_.NowNs();
  const Device target = SelectedDevice();
  // The selector switches the wire, not whole bytes: a frame whose start bit
  // went out before the switch reaches neither device whole, so neither takes it.
  if (target == Device::kNone || frame.start_ns < connected_since_ns_) return;
  const std::uint8_t heard =
      RatesMatch(frame.divisor, line_baud_) ? frame.byte : Garble(frame.byte);
  Channel& channel = channels_[LineIndex(target)];
  channel.line.RecordDelivered(heard);
  reply_.clear();
  channel.device->Receive(heard, at_ns / kNsPerUs, reply_);
  channel.line.Send(reply_, at_ns);
}

void BaseUnit::FinishLineFrame(std::size_t line) {
  DeviceLine& wire = channels_[line].line;
  const DeviceLine::Frame frame = wire.FinishFrame();
  // A device keeps talking when the selector is elsewhere; nobody hears it. A
  // frame already under way when the line was connected has lost its start bit.
  if (SelectedDevice() == Device::kNone || line != LineIndex(SelectedDevice())) return;
  if (frame.start_ns < connected_since_ns_) return;
  const int lost_before = uart_.RxBytesLost();
  uart_.Receive(frame.byte, line_baud_);
  if (uart_.RxBytesLost() != lost_before) wire.CountOverrun();
  if (!RatesMatch(uart_.Divisor(), line_baud_)) wire.CountFramingError();
}

void BaseUnit::SupplyLines(std::int64_t now_ns) {
  // A real console's bytes cross the line one frame after the other from when
  // the line was last free or the console last ran dry, whichever is later.
  // Only frames that have started by now are taken from the endpoint; the rest
  // wait where they were written, as they would behind a real UART.
  for (Channel& channel : channels_) {
    if (channel.external == nullptr || now_ns < channel.next_poll_ns) continue;
    DeviceLine& wire = channel.line;
    const std::int64_t start_ns = std::max(wire.TailNs(), channel.drained_ns);
    if (start_ns > now_ns) continue;
    const auto room = static_cast<std::size_t>((now_ns - start_ns) / wire.FrameNs() + 1);
    reply_.clear();
    const std::size_t got = channel.external->Supply(room, reply_);
    wire.Send(reply_, start_ns);
    if (got < room) {
      channel.drained_ns = now_ns;
      channel.next_poll_ns = now_ns + wire.FrameNs();
    }
  }
}

void BaseUnit::WakeZcp(std::int64_t at_ns) {
  if (!BuiltInZcpOnLine()) return;
  reply_.clear();
  zcp_.Tick(at_ns / kNsPerUs, reply_);
  channels_[0].line.Send(reply_, at_ns);
}

void BaseUnit::TickDevices(std::int64_t now_us) {
  for (Channel& channel : channels_) {
    reply_.clear();
    channel.device->Tick(now_us, reply_);
    channel.line.Send(reply_, now_ns_);
  }
}

void BaseUnit::WriteIndex(std::uint8_t value) {
  if (fitted_) index_ = value;
}

void BaseUnit::WriteData(std::uint8_t value) {
  if (fitted_) WriteRegister(index_, value);
}

std::uint8_t BaseUnit::ReadData() {
  return fitted_ ? ReadRegister(index_) : kFloatingBus;
}

Device BaseUnit::SelectedDevice() const {
  switch (chan_sel_) {
    case kSelZcp:
    case kSelZcpReset:  // still wired to the controller, which just says nothing
      return Device::kZcp;
    case kSelModuleA:
      return Device::kModuleA;
    case kSelModuleB:
      return Device::kModuleB;
    case kSelModuleC:
      return Device::kModuleC;
    case kSelModuleD:
      return Device::kModuleD;
    default:
      // Only the six values above are decoded; anything else leaves the line
      // unconnected, so a wrong selector shows up as silence rather than as a
      // plausible answer from some device.
      return Device::kNone;
  }
}

ModuleConsole* BaseUnit::Module(int slot) {
  if (slot < 0 || slot >= kSlots) throw std::out_of_range("no module slot " + std::to_string(slot));
  return channels_[static_cast<std::size_t>(slot) + 1].console;
}

const DeviceLine& BaseUnit::Line(Device device) const {
  return channels_[LineIndex(device)].line;
}

void BaseUnit::Inject(Device device, std::string_view bytes) {
  channels_[LineIndex(device)].line.Send(bytes, now_ns_);
}

std::size_t BaseUnit::LineIndex(Device device) {
  if (device == Device::kNone) throw std::out_of_range("no line for an open selector");
  return static_cast<std::size_t>(device);
}

bool BaseUnit::InUart(std::uint8_t reg) {
  return reg >= kUartBase && reg < kUartBase + UartModel::kRegisterCount;
}

std::uint8_t BaseUnit::ReadRegister(std::uint8_t reg) {
  if (reg == kBoardId) return board_id_;
  if (InUart(reg)) return uart_.Read(static_cast<std::uint8_t>(reg - kUartBase));
  return kFloatingBus;  // the selector is write-only, and nothing else is decoded
}

void BaseUnit::WriteRegister(std::uint8_t reg, std::uint8_t value) {
  if (reg == kChanSel) return WriteChanSel(value);
  if (InUart(reg)) uart_.Write(static_cast<std::uint8_t>(reg - kUartBase), value);
}

void BaseUnit::WriteChanSel(std::uint8_t value) {
  const Device before = SelectedDevice();
  const bool was_in_reset = ZcpInReset();
  chan_sel_ = value;
  if (SelectedDevice() != before) connected_since_ns_ = now_ns_;
  // The reset line follows the selector: it is held exactly while the
  // selector holds 0x01, so any other value written ends a reset.
  if (ZcpInReset() == was_in_reset) return;
  const std::int64_t now_us = now_ns_ / kNsPerUs;
  zcp_.SetReset(ZcpInReset(), now_us);
  if (ZcpInReset()) {
    channels_[0].line.Drop();  // a controller in reset stops sending mid-reply
  } else {
    ++zcp_reset_count_;
    zcp_reset_ended_us_ = now_us;
  }
}

}  // namespace r7n::sim
