#pragma once

#include <cstdint>
#include <string>

#include "sim/endpoint_address.h"
#include "sim/retrying_endpoint.h"
#include "sim/win32_handles.h"

namespace r7n::sim {

// A TCP connection through Winsock, non-blocking, connected again while
// refused or after the far end closes.
class TcpEndpoint : public RetryingEndpoint {
 public:
  TcpEndpoint(std::string host, int port, std::int64_t retry_us);
  TcpEndpoint(const TcpEndpoint&) = delete;
  TcpEndpoint& operator=(const TcpEndpoint&) = delete;

 protected:
  bool Open(std::string& detail) override;
  void Close() override;
  std::size_t ReadSome(std::size_t max, std::string& out) override;
  void WriteSome(std::string_view bytes) override;

 private:
  // A connect under way has not failed yet, and has not finished either.
  bool Connected();

  std::string host_;
  int port_;
  WinsockSession winsock_;
  UniqueSocket socket_;
  bool connecting_ = false;
  std::string unsent_;
};

// A COM port opened raw, 8N1, no flow control, at the far end's rate; reads
// return at once with what is there.
class ComPortEndpoint : public RetryingEndpoint {
 public:
  ComPortEndpoint(std::string port, int baud, std::int64_t retry_us);
  ComPortEndpoint(const ComPortEndpoint&) = delete;
  ComPortEndpoint& operator=(const ComPortEndpoint&) = delete;

 protected:
  bool Open(std::string& detail) override;
  void Close() override;
  std::size_t ReadSome(std::size_t max, std::string& out) override;
  void WriteSome(std::string_view bytes) override;

 private:
  std::string port_;
  int baud_;
  UniqueHandle handle_;
};

// The text of a Windows or Winsock error code.
std::string WindowsErrorText(unsigned long code);

}  // namespace r7n::sim
