#include "serial_line.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "poll_wait.h"

namespace oq::stream {

using dlp::LinkError;

namespace {

struct Speed {
  uint32_t rate;
  speed_t code;
};
constexpr std::array<Speed, 6> kSpeeds{
    {{9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400}}};
constexpr auto kRates = [] {
  std::array<uint32_t, kSpeeds.size()> rates{};
  for (size_t i = 0; i < kSpeeds.size(); ++i) rates[i] = kSpeeds[i].rate;
  return rates;
}();

std::string OpenFailure(const std::string& device, int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return device +
             " does not exist: is the cradle or adapter plugged in? (ls /dev/ttyUSB* /dev/ttyS* lists "
             "the serial ports)";
    case EACCES:
    case EPERM:
      return "no permission to open " + device +
             ": add yourself to the dialout group (sudo adduser $USER dialout), then log in again";
    case EBUSY: return device + " is in use by another program; end it, or choose another port";
    default: return "cannot open " + device + ": " + std::strerror(error);
  }
}

// Raw bytes in and out, 8 data bits, no parity, one stop bit, modem lines
// ignored; RTS/CTS only when asked.
bool MakeRaw(int descriptor, bool hardwareFlowControl) {
  termios settings{};
  if (tcgetattr(descriptor, &settings) != 0) return false;
  cfmakeraw(&settings);
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  if (hardwareFlowControl) settings.c_cflag |= CRTSCTS;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  return tcsetattr(descriptor, TCSANOW, &settings) == 0;
}

}  // namespace

std::unique_ptr<SerialLine> SerialLine::Open(const std::string& device, bool hardwareFlowControl, std::string& error) {
  // Not blocking: a port whose carrier is down would hold open() for ever.
  const int descriptor = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    error = OpenFailure(device, errno);
    return nullptr;
  }
  auto line = std::unique_ptr<SerialLine>(new SerialLine(descriptor, device));
  if (!isatty(descriptor)) {
    error = device + " is not a serial port; give the port a cradle or adapter appears as (/dev/ttyUSB0, say)";
    return nullptr;
  }
  // Two HotSync managers on one port would each take half of the bytes.
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    error = OpenFailure(device, errno == EWOULDBLOCK ? EBUSY : errno);
    return nullptr;
  }
  ioctl(descriptor, TIOCEXCL);
  if (!MakeRaw(descriptor, hardwareFlowControl)) {
    error = "cannot set up " + device + " as a serial line: " + std::strerror(errno);
    return nullptr;
  }
  // Nothing is sent yet, so trying each rate disturbs no handheld.
  for (const auto& speed : kSpeeds) {
    if (line->SetRate(speed.rate)) line->supported_.push_back(speed.rate);
  }
  if (!line->SetRate(kSpeeds.front().rate)) {
    error =
        "cannot set " + device + " to " + std::to_string(kSpeeds.front().rate) + " bits per second: " + line->detail_;
    return nullptr;
  }
  // What came before the port was opened stays: a USB cradle's port appears
  // when its HotSync starts, and the handheld speaks at once.
  return line;
}

SerialLine::~SerialLine() {
  ioctl(descriptor_, TIOCNXCL);
  close(descriptor_);
}

std::span<const uint32_t> SerialLine::Rates() { return kRates; }

bool SerialLine::SetRate(uint32_t rate) {
  const Speed* speed = nullptr;
  for (const auto& known : kSpeeds) {
    if (known.rate == rate) speed = &known;
  }
  if (!speed) {
    detail_ = "no serial line goes at " + std::to_string(rate) + " bits per second";
    return false;
  }
  // No drain first: the rate changes once the other end acknowledged what
  // went before, and a drain could wait for ever on a line held by flow
  // control.
  termios settings{};
  if (tcgetattr(descriptor_, &settings) != 0 || cfsetispeed(&settings, speed->code) != 0 ||
      cfsetospeed(&settings, speed->code) != 0 || tcsetattr(descriptor_, TCSANOW, &settings) != 0) {
    detail_ = std::strerror(errno);
    return false;
  }
  // A driver may take a speed it cannot do and keep another.
  if (tcgetattr(descriptor_, &settings) != 0 || cfgetospeed(&settings) != speed->code) {
    detail_ = "the port did not take " + std::to_string(rate) + " bits per second";
    return false;
  }
  return true;
}

void SerialLine::Discard() { tcflush(descriptor_, TCIFLUSH); }

LinkError SerialLine::Fail(LinkError error) {
  detail_ = std::strerror(errno);
  return error;
}

LinkError SerialLine::Read(std::span<uint8_t> out, Clock::time_point until, size_t& got) {
  got = 0;
  for (;;) {
    short returned = 0;
    if (auto error = PollUntil(descriptor_, POLLIN, until, returned); error != LinkError::kNone) {
      return error == LinkError::kSystem ? Fail(error) : error;
    }
    const ssize_t received = read(descriptor_, out.data(), out.size());
    if (received > 0) {
      got = static_cast<size_t>(received);
      return LinkError::kNone;
    }
    if (received < 0 && errno == EINTR) continue;
    if (received < 0 && errno == EAGAIN && !(returned & (POLLHUP | POLLERR))) continue;
    // The other end of a pseudo-terminal closed, the adapter was pulled
    // out, or the carrier dropped on a line that watches it.
    if (received < 0 && errno != EAGAIN) return Fail(LinkError::kClosed);
    detail_ = "the line closed";
    return LinkError::kClosed;
  }
}

LinkError SerialLine::Write(std::span<const uint8_t> bytes, Clock::time_point until) {
  size_t done = 0;
  while (done < bytes.size()) {
    short returned = 0;
    if (auto error = PollUntil(descriptor_, POLLOUT, until, returned); error != LinkError::kNone) {
      return error == LinkError::kSystem ? Fail(error) : error;
    }
    const ssize_t sent = write(descriptor_, bytes.data() + done, bytes.size() - done);
    if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (sent < 0)
      return Fail(errno == EIO || errno == ENXIO || errno == ENODEV ? LinkError::kClosed : LinkError::kSystem);
    done += static_cast<size_t>(sent);
  }
  return LinkError::kNone;
}

}  // namespace oq::stream
