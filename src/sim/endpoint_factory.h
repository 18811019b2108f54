#pragma once

#include <memory>

#include "sim/endpoint.h"
#include "sim/endpoint_address.h"

namespace r7n::sim {

// This platform's endpoint at where; the far end's line rate matters to a
// serial port only. Never fails: an endpoint that cannot be opened is down,
// and says so through its listener when it is first serviced.
std::unique_ptr<Endpoint> MakeEndpoint(const EndpointAddress& where, const EndpointTiming& timing,
                                       int line_baud);

}  // namespace r7n::sim
