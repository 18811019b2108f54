#pragma once

namespace r7n::bench {

// Processor time this process has used so far, user and system, in seconds.
double ProcessorSeconds();

}  // namespace r7n::bench
