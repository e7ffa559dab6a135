// What the simulated handheld is told on its command line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace sim {

struct Options {
  // Where the desktop is: a loopback port, or a pseudo-terminal the
  // simulator opens, naming its device in this file.
  uint16_t port = 0;
  std::filesystem::path ptyNameFile;
  bool serialFraming = false;  // the serial protocols rather than NetSync's framing

  std::filesystem::path databases, save;
  std::string user = "Simulated User";
  std::optional<uint32_t> userId;               // default: one of the name's own, as handhelds' ids differ
  std::map<std::pair<int, int>, int> failures;  // (command, nth): code
  std::pair<int, int> dropAt{-1, 0};            // (command, nth)
  int dropAfter = 0, garbageAfter = 0, oversizeAfter = 0, wrongAnswerAfter = 0, delayMs = 0;
  int silentFor = 0, trickleMs = 0;
  bool endlessCatalogue = false, endlessList = false;

  // The serial line's knobs; packets and acks counted from 1 over the
  // whole HotSync, the wake-up first.
  uint32_t offerRate = 57600;
  size_t fragment = 1024;
  int corruptCrc = 0, dropAck = 0, duplicate = 0, cutPacket = 0;
  bool pace = false;  // bytes go no faster than the rate the line is at
};

}  // namespace sim
