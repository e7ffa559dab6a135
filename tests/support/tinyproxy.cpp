#include "tinyproxy.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace oq::test {

namespace {

bool Accepts(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

}  // namespace

uint16_t FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

TinyProxy::TinyProxy(const std::string& user, const std::string& password, uint16_t upstreamPort) {
  const uint16_t port = FreeLoopbackPort();
  std::string config = "Port " + std::to_string(port) +
                       "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nLogLevel Critical\n"
                       "Allow 127.0.0.1\nDisableViaHeader Yes\n"
                       "BasicAuth " +
                       user + " " + password +
                       "\n"
                       "Upstream http 127.0.0.1:" +
                       std::to_string(upstreamPort) + "\n";
  if (geteuid() == 0) config += "User nobody\nGroup nogroup\n";
  const auto configPath = dir_.path() / "tinyproxy.conf";
  WriteText(configPath, config);

  pid_ = fork();
  if (pid_ == 0) {
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, STDIN_FILENO);
    dup2(devnull, STDOUT_FILENO);
    dup2(devnull, STDERR_FILENO);
    execlp("tinyproxy", "tinyproxy", "-d", "-c", configPath.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int attempt = 0; attempt < 200 && pid_ > 0; ++attempt) {
    if (Accepts(port)) {
      port_ = port;
      return;
    }
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
}

TinyProxy::~TinyProxy() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace oq::test
