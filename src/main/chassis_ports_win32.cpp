#include "main/chassis_ports.h"
#include "platform/win32/inpout_port_io.h"

namespace r7n {

OpenResult<PortIo> OpenChassisPorts() {
  auto ports = InpOutPortIo::Open();
  return {std::move(ports.device), std::move(ports.error)};
}

}  // namespace r7n
