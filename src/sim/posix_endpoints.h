#pragma once

#include <cstdint>
#include <string>

#include "sim/endpoint_address.h"
#include "sim/fd_endpoint_posix.h"

namespace r7n::sim {

// A pseudo-terminal whose slave side is reachable through a symbolic link,
// for a getty or a terminal program to attach to. The simulator keeps the
// slave open itself, in raw mode, so the slot stays up while nobody is
// attached and an unattached slot echoes nothing.
class PtyEndpoint : public FdEndpoint {
 public:
  PtyEndpoint(std::string link, std::int64_t retry_us);

 protected:
  Opened Open() override;

 private:
  std::string link_;
};

// A program run through /bin/sh -c on a new pseudo-terminal that is its
// controlling terminal and its standard input, output and error, in a session
// of its own; started again after respawn_us when it exits, and its process
// group ended when the endpoint goes.
class ExecEndpoint : public FdEndpoint {
 public:
  ExecEndpoint(std::string command, std::int64_t respawn_us);

 protected:
  Opened Open() override;

 private:
  std::string command_;
};

// A stream socket, UNIX or TCP, connected again while refused or after the
// far end closes.
class SocketEndpoint : public FdEndpoint {
 public:
  SocketEndpoint(const EndpointAddress& where, std::int64_t retry_us);

 protected:
  Opened Open() override;

 private:
  Opened OpenUnix();
  Opened OpenTcp();
  // A socket whose connecting has begun; it is up once it has connected.
  static Opened Opening(UniqueFd fd);

  EndpointAddress where_;
};

// A real serial port, raw, 8N1, no flow control, at the far end's rate.
class SerialEndpoint : public FdEndpoint {
 public:
  SerialEndpoint(std::string device, int baud, std::int64_t retry_us);

 protected:
  Opened Open() override;

 private:
  std::string device_;
  int baud_;
};

}  // namespace r7n::sim
