// A handheld for the tests: answers the Desktop Link Protocol from
// databases loaded from .pdb/.prc files, over NetSync's framing or the
// serial protocols, on a loopback socket or a pseudo-terminal. Written
// from the protocols' public description, apart from the desktop's
// client: it shares none of its encoders.
//
//   simulated_handheld (--port P | --pty NAME_FILE) [--framing netsync|serial]
//       --databases DIR --save DIR [--user NAME] [--user-id N]
//       [--fail CMD:N:CODE]... [--drop-at CMD:N] [--drop-after N] [--delay-ms MS]
//       [--garbage-after N] [--oversize-after N] [--wrong-answer-after N]
//       [--silent-for S] [--trickle-ms MS] [--endless-catalogue yes] [--endless-list yes]
//       [--offer-rate BPS] [--fragment BYTES] [--corrupt-crc N] [--drop-ack N]
//       [--duplicate N] [--cut-packet N] [--pace yes]
//
// --port connects to the desktop on loopback; --pty opens a pseudo-terminal,
// writes the name of its desktop side to NAME_FILE, and speaks on it.
// --fail answers the Nth request of command CMD (hex) with error CODE;
// --drop-at hangs up on it; the *-after knobs misbehave at the Nth request
// of any kind. When the HotSync ends (EndOfSync, or the desktop hanging up)
// every database is written to the --save folder, with handheld.txt telling
// the user info, the log, the end status and the requests seen (and, on a
// serial line, the rate CMP agreed, the rate the desktop set its port to,
// the packets that failed their checks and the fragments sent again). Exit
// 0 after EndOfSync, 3 when the desktop hung up first. NetSync's hostile
// knobs: --silent-for connects and says nothing for S seconds; --trickle-ms
// sends its opening a byte at a time. --endless-catalogue announces 65,535
// records of 60,000 bytes in OQProgDB; --endless-list never ends its
// database list. The serial knobs: --offer-rate is the wake-up's rate
// (default 57600); --fragment cuts messages smaller than 1024 bytes; the
// Nth data packet sent goes with a broken CRC (--corrupt-crc) or twice
// (--duplicate); the Nth ack is not sent (--drop-ack); the Nth packet of
// any kind is cut in half and the line hung up (--cut-packet); --pace
// moves bytes no faster than the line's rate. --user "" and --user-id 0
// are a handheld fresh from a reset. Every change to a database counts up
// its modification number and stamps its modification date, as the
// handheld's data manager does.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "handheld.h"

namespace {

int Usage() {
  std::cerr << "usage: simulated_handheld (--port P | --pty NAME_FILE) --databases DIR --save DIR [knobs]\n"
               "(the opening comment of tests/tools/simulated_handheld/main.cpp lists them)\n";
  return 2;
}

bool Parse(int argc, char** argv, sim::Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i], value = argv[i + 1];
    if (flag == "--port") options.port = uint16_t(std::stoi(value));
    else if (flag == "--pty") options.ptyNameFile = value;
    else if (flag == "--framing") options.serialFraming = value == "serial";
    else if (flag == "--databases") options.databases = value;
    else if (flag == "--save") options.save = value;
    else if (flag == "--user") options.user = value;
    else if (flag == "--user-id") options.userId = uint32_t(std::stoul(value));
    else if (flag == "--drop-after") options.dropAfter = std::stoi(value);
    else if (flag == "--delay-ms") options.delayMs = std::stoi(value);
    else if (flag == "--garbage-after") options.garbageAfter = std::stoi(value);
    else if (flag == "--oversize-after") options.oversizeAfter = std::stoi(value);
    else if (flag == "--wrong-answer-after") options.wrongAnswerAfter = std::stoi(value);
    else if (flag == "--silent-for") options.silentFor = std::stoi(value);
    else if (flag == "--trickle-ms") options.trickleMs = std::stoi(value);
    else if (flag == "--endless-catalogue") options.endlessCatalogue = value == "yes";
    else if (flag == "--endless-list") options.endlessList = value == "yes";
    else if (flag == "--offer-rate") options.offerRate = uint32_t(std::stoul(value));
    else if (flag == "--fragment") options.fragment = std::max<size_t>(1, std::stoul(value));
    else if (flag == "--corrupt-crc") options.corruptCrc = std::stoi(value);
    else if (flag == "--drop-ack") options.dropAck = std::stoi(value);
    else if (flag == "--duplicate") options.duplicate = std::stoi(value);
    else if (flag == "--cut-packet") options.cutPacket = std::stoi(value);
    else if (flag == "--pace") options.pace = value == "yes";
    else if (flag == "--drop-at") {
      if (std::sscanf(value.c_str(), "%x:%d", &options.dropAt.first, &options.dropAt.second) != 2) return false;
    } else if (flag == "--fail") {
      int command = 0, nth = 0, code = 0;
      if (std::sscanf(value.c_str(), "%x:%d:%d", &command, &nth, &code) != 3) return false;
      options.failures[{command, nth}] = code;
    } else {
      std::cerr << "simulated_handheld: unknown option " << flag << "\n";
      return false;
    }
  }
  return options.port != 0 || !options.ptyNameFile.empty();
}

int ConnectToDesktop(uint16_t port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in desktop{};
  desktop.sin_family = AF_INET;
  desktop.sin_port = htons(port);
  desktop.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(socket, reinterpret_cast<sockaddr*>(&desktop), sizeof desktop) != 0) {
    std::cerr << "simulated_handheld: cannot connect to port " << port << "\n";
    close(socket);
    return -1;
  }
  return socket;
}

// A pseudo-terminal whose desktop side starts raw, as a serial port's
// bytes come unchanged, and is named in `nameFile` once it is ready.
bool OpenPseudoTerminal(const std::string& nameFile, int& master, int& desktopSide) {
  char name[256] = {};
  if (openpty(&master, &desktopSide, name, nullptr, nullptr) != 0) {
    std::perror("simulated_handheld: openpty");
    return false;
  }
  termios raw{};
  tcgetattr(desktopSide, &raw);
  cfmakeraw(&raw);
  raw.c_cflag &= ~tcflag_t(CLOCAL);
  tcsetattr(desktopSide, TCSANOW, &raw);
  const std::string partial = nameFile + ".part";
  std::ofstream(partial) << name << "\n";
  return std::rename(partial.c_str(), nameFile.c_str()) == 0;
}

// A handheld speaks once its HotSync button is pressed, which the tests
// take to be when the desktop has set its port up (a serial port's
// settings ignore the modem lines): 10 s at the most.
void AwaitDesktop(int desktopSide) {
  for (int i = 0; i < 1000; ++i) {
    termios settings{};
    if (tcgetattr(desktopSide, &settings) == 0 && (settings.c_cflag & CLOCAL)) return;
    usleep(10000);
  }
}

// What the handheld said last reaches the desktop before the cable goes: a
// pseudo-terminal drops what its desktop side has not read when the other
// side closes. Two seconds at the most.
void AwaitDrained(int desktopSide) {
  for (int i = 0; i < 200; ++i) {
    int unread = 0;
    if (ioctl(desktopSide, FIONREAD, &unread) != 0 || unread == 0) return;
    usleep(10000);
  }
}

// A handheld that finished its HotSync stays in the cradle until the desktop
// lets go of the port, as its last answer may still be on its way: bytes the
// kernel has taken from the master side but not yet handed to the desktop's
// side are not counted as unread, and a hang-up drops them. Our own handle on
// the desktop's side goes first, so the master side sees the desktop's close
// as a hang-up. Ten seconds at the most.
void AwaitDesktopLetGo(int master, int& desktopSide) {
  close(desktopSide);
  desktopSide = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd line{master, POLLIN, 0};
    if (poll(&line, 1, 100) < 0 && errno != EINTR) return;
    if (line.revents & (POLLHUP | POLLERR | POLLNVAL)) return;
    uint8_t ignored[256];
    if ((line.revents & POLLIN) && read(master, ignored, sizeof ignored) <= 0) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  sim::Options options;
  if (argc < 3 || std::string(argv[1]) == "--help" || !Parse(argc, argv, options)) return Usage();
  std::signal(SIGPIPE, SIG_IGN);  // a desktop that hung up is a failed write, not the end of the simulator
  int descriptor = -1, desktopSide = -1;
  if (!options.ptyNameFile.empty()) {
    if (!OpenPseudoTerminal(options.ptyNameFile, descriptor, desktopSide)) return 2;
    AwaitDesktop(desktopSide);
  } else if ((descriptor = ConnectToDesktop(options.port)) < 0) {
    return 2;
  }
  sim::Line line(descriptor, options.pace);
  auto link =
      options.serialFraming ? sim::MakeSerialLink(line, options, desktopSide) : sim::MakeNetSyncLink(line, options);
  const int status = sim::RunHandheld(*link, options);
  if (desktopSide >= 0) {
    if (status == 0) {
      AwaitDesktopLetGo(descriptor, desktopSide);
    } else {
      AwaitDrained(desktopSide);
    }
  }
  // Closing the master side is the cable pulled: the desktop's port hangs up.
  line.HangUp();
  if (desktopSide >= 0) close(desktopSide);
  return status;
}
