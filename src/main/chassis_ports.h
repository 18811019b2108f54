#pragma once

#include "platform/open_result.h"
#include "platform/port_io.h"

namespace r7n {

// The real chassis ports of this platform, or one line for the operator that
// says why they cannot be had and what to do about it.
OpenResult<PortIo> OpenChassisPorts();

}  // namespace r7n
