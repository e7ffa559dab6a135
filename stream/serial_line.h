// A serial port as a byte stream: a cradle on a USB-serial adapter, a USB
// cradle the kernel presents as a port, a pseudo-terminal. Raw 8N1, no
// flow control unless asked, starting at 9600 bits per second; the speed
// changes when a HotSync agrees on another.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "byte_stream.h"

namespace oq::stream {

class SerialLine : public ByteStream {
 public:
  // The line opened, set up and locked against other programs; empty, with
  // `error` saying what to do, when the device is missing, is no serial
  // port, is in use or may not be opened.
  static std::unique_ptr<SerialLine> Open(const std::string& device, bool hardwareFlowControl, std::string& error);
  ~SerialLine() override;
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // The rates a line may be asked for, slowest first.
  static std::span<const uint32_t> Rates();
  // Those of them this port took when it was opened (a driver may refuse
  // some, or keep another).
  const std::vector<uint32_t>& supportedRates() const { return supported_; }
  // Switches the line at once; false, with Detail() saying why, when the
  // port will not go at `rate`.
  bool SetRate(uint32_t rate);
  // Drops what came and was not read yet.
  void Discard();

  dlp::LinkError Read(std::span<uint8_t> out, Clock::time_point until, size_t& got) override;
  dlp::LinkError Write(std::span<const uint8_t> bytes, Clock::time_point until) override;
  std::string Detail() const override { return detail_; }
  std::string PeerName() const override { return device_; }

 private:
  SerialLine(int descriptor, std::string device) : descriptor_(descriptor), device_(std::move(device)) {}
  dlp::LinkError Fail(dlp::LinkError error);

  int descriptor_;
  std::vector<uint32_t> supported_;
  std::string device_;
  std::string detail_;
};

}  // namespace oq::stream
