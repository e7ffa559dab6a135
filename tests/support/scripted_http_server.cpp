#include "scripted_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <cstdio>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace oq::test {

namespace {

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

void SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

ScriptedHttpServer::ScriptedHttpServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      pipe(wake_) != 0) {
    throw std::runtime_error("cannot start the test server");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
  stopping_ = true;
  (void)!write(wake_[1], "x", 1);
  acceptor_.join();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int client : clients_) shutdown(client, SHUT_RDWR);
  }
  for (auto& worker : workers_) worker.join();
  for (int client : clients_) close(client);
  close(listener_);
  close(wake_[0]);
  close(wake_[1]);
}

std::string ScriptedHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<ScriptedHttpServer::Request> ScriptedHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

// Waits for data on `fd` or for the stop signal; false when stopping.
bool ScriptedHttpServer::WaitReadable(int fd) const {
  pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
  while (!stopping_) {
    if (poll(fds, 2, -1) < 0) return false;
    if (fds[1].revents != 0) return false;
    if (fds[0].revents != 0) return true;
  }
  return false;
}

void ScriptedHttpServer::AcceptLoop() {
  while (WaitReadable(listener_)) {
    int client = accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    ++accepted_;
    std::lock_guard<std::mutex> lock(mutex_);
    clients_.push_back(client);
    workers_.emplace_back([this, client] { Serve(client); });
  }
}

void ScriptedHttpServer::Serve(int client) {
  std::string buffer;
  char chunk[4096];
  while (true) {
    size_t end;
    while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
      if (!WaitReadable(client)) break;
      ssize_t n = recv(client, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buffer.append(chunk, static_cast<size_t>(n));
    }
    if (end == std::string::npos) break;
    Request request{buffer.substr(0, end + 4), {}};
    buffer.erase(0, end + 4);
    const size_t space = request.raw.find(' ');
    const size_t secondSpace = request.raw.find(' ', space + 1);
    if (space != std::string::npos && secondSpace != std::string::npos) {
      request.target = request.raw.substr(space + 1, secondSpace - space - 1);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    const Response response = handler_(request);
    if (response.behaviour == Behaviour::kNeverAnswer) {
      while (WaitReadable(client) && recv(client, chunk, sizeof chunk, 0) > 0) {
      }
      break;
    }
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
    if (response.behaviour == Behaviour::kChunkedWithoutEnd) {
      head += "Transfer-Encoding: chunked\r\n\r\n";
      char size[16];
      std::snprintf(size, sizeof size, "%zx\r\n", response.body.size());
      SendAll(client, head + size + response.body + "\r\n");
      break;
    }
    head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    for (const auto& header : response.headers) head += header + "\r\n";
    head += "\r\n";
    if (response.behaviour == Behaviour::kDropMidBody) {
      SendAll(client, head + response.body.substr(0, response.body.size() / 2));
      break;
    }
    if (response.behaviour == Behaviour::kTrickle) {
      SendAll(client, head);
      bool stopped = false;
      for (size_t i = 0; i < response.body.size() && !stopped; ++i) {
        pollfd wake{wake_[0], POLLIN, 0};
        stopped = poll(&wake, 1, kTrickleIntervalMs) != 0;
        if (send(client, response.body.data() + i, 1, MSG_NOSIGNAL) != 1) stopped = true;
      }
      if (stopped) break;
      continue;
    }
    SendAll(client, head + response.body);
    if (response.behaviour == Behaviour::kAnswerAndClose) break;
  }
  shutdown(client, SHUT_RDWR);
  // The descriptor is closed by the destructor's bookkeeping only once all
  // workers are joined, so a shutdown there never hits a reused number.
}

}  // namespace oq::test
