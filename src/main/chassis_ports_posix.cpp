#include "main/chassis_ports.h"
#include "platform/posix/dev_port_io.h"

namespace r7n {

OpenResult<PortIo> OpenChassisPorts() {
  auto ports = DevPortIo::Open();
  return {std::move(ports.device), std::move(ports.error)};
}

}  // namespace r7n
