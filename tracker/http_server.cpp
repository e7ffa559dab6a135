#include "http_server.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <cctype>
#include <csignal>
#include <iterator>
#include <list>
#include <optional>

namespace oq::tracker {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decoding of a query component, '+' standing for a space.
std::string Decoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    default: return "Error";
  }
}

}  // namespace

std::string HttpRequest::Parameter(const std::string& name) const {
  const auto found = parameters.find(name);
  return found == parameters.end() ? std::string() : found->second;
}

std::string HttpRequest::Header(std::string_view name) const {
  for (const auto& [field, value] : headers) {
    if (SameLetters(field, name)) return value;
  }
  return {};
}

void ParseTarget(const std::string& target, std::string& path, std::map<std::string, std::string>& parameters) {
  std::string_view rest = target;
  const auto scheme = rest.find("://");
  if (scheme != std::string_view::npos && scheme < rest.find_first_of("/?")) {
    const auto start = rest.find_first_of("/?", scheme + 3);
    rest = start == std::string_view::npos ? std::string_view("/") : rest.substr(start);
  }
  const auto question = rest.find('?');
  path = Decoded(rest.substr(0, question));
  if (path.empty()) path = "/";
  parameters.clear();
  if (question == std::string_view::npos) return;
  std::string_view query = rest.substr(question + 1);
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    const auto equals = pair.find('=');
    if (!pair.empty()) {
      parameters.emplace(Decoded(pair.substr(0, equals)),
                         equals == std::string_view::npos ? std::string() : Decoded(pair.substr(equals + 1)));
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
}

class Session;

// What every session shares, on the one thread of the event loop.
struct ServerState {
  ServerState(const HttpLimits& limits, HttpServer::Handler handler, HttpServer::Logger logger)
      : limits(limits), handler(std::move(handler)), logger(std::move(logger)) {}

  HttpLimits limits;
  HttpServer::Handler handler;
  HttpServer::Logger logger;
  // Sessions waiting for a request, longest waiting first. Declared before
  // the event loop, whose end destroys the sessions that still refer to it.
  std::list<std::weak_ptr<Session>> waiting;
  size_t open = 0;
};

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, ServerState& server) : stream_(std::move(socket)), server_(server) {
    ++server_.open;
    beast::error_code ignored;
    remotePort_ = stream_.socket().remote_endpoint(ignored).port();
  }
  ~Session() {
    StopWaiting();
    --server_.open;
  }

  void ReadRequest() {
    parser_.emplace();
    parser_->header_limit(static_cast<uint32_t>(server_.limits.headerBytes));
    parser_->body_limit(server_.limits.bodyBytes);
    waitingEntry_ = server_.waiting.insert(server_.waiting.end(), weak_from_this());
    isWaiting_ = true;
    stream_.expires_after(server_.limits.requestTime);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code error, size_t) { self->Received(error); });
  }

  // Closes the connection to make room for another; its pending read ends.
  void Evict() {
    StopWaiting();
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
  }

 private:
  void StopWaiting() {
    if (!isWaiting_) return;
    server_.waiting.erase(waitingEntry_);
    isWaiting_ = false;
  }

  void Received(beast::error_code error) {
    StopWaiting();
    if (error == http::error::header_limit) return Refuse(431, "the request's header is too large\n");
    if (error == http::error::body_limit) return Refuse(413, "the request's body is too large\n");
    if (error && error.category() == http::make_error_code(http::error::bad_method).category() &&
        error != http::error::end_of_stream && error != http::error::partial_message) {
      return Refuse(400, "malformed request\n");
    }
    if (error) return;  // closed, timed out or evicted

    const auto& message = parser_->get();
    if (static_cast<size_t>(std::distance(message.begin(), message.end())) > server_.limits.headerFields) {
      return Refuse(431, "the request has too many header fields\n");
    }
    HttpRequest request;
    request.method = std::string(message.method_string());
    request.target = std::string(message.target());
    ParseTarget(request.target, request.path, request.parameters);
    for (const auto& field : message) request.headers.emplace_back(field.name_string(), field.value());
    request.remotePort = remotePort_;

    HttpReply reply;
    if (message.method() != http::verb::get) {
      reply = {405, "text/plain", "only GET is served\n"};
    } else {
      reply = server_.handler(request);
    }
    if (server_.logger) server_.logger(request, reply);
    Reply(reply, message.keep_alive());
  }

  void Refuse(int status, std::string body) { Reply({status, "text/plain", std::move(body)}, false); }

  void Reply(const HttpReply& reply, bool keepAlive) {
    response_ = {};
    response_.result(static_cast<unsigned>(reply.status));
    response_.reason(Reason(reply.status));
    response_.version(11);
    response_.set(http::field::content_type, reply.contentType);
    if (reply.status == 405) response_.set(http::field::allow, "GET");
    response_.body() = reply.body;
    response_.keep_alive(keepAlive);
    response_.prepare_payload();
    stream_.expires_after(server_.limits.requestTime);
    http::async_write(stream_, response_, [self = shared_from_this(), keepAlive](beast::error_code error, size_t) {
      if (error) return;
      if (keepAlive) return self->ReadRequest();
      beast::error_code ignored;
      self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
      self->stream_.expires_after(self->server_.limits.requestTime);
      self->DiscardUntilClosed();
    });
  }

  // A refused request may still be arriving; closing on unread bytes would
  // reset the connection before the client reads why. So what comes is read
  // and dropped until the client closes or the deadline passes.
  void DiscardUntilClosed() {
    stream_.async_read_some(asio::buffer(discard_), [self = shared_from_this()](beast::error_code error, size_t) {
      if (!error) self->DiscardUntilClosed();
    });
  }

  beast::tcp_stream stream_;
  ServerState& server_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  http::response<http::string_body> response_;
  char discard_[4096];
  uint16_t remotePort_ = 0;
  std::list<std::weak_ptr<Session>>::iterator waitingEntry_;
  bool isWaiting_ = false;
};

struct HttpServer::Impl : ServerState {
  using ServerState::ServerState;

  void Accept();
  void Admit(tcp::socket socket);

  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  asio::signal_set stops{io, SIGINT, SIGTERM};
  asio::signal_set hangUps{io, SIGHUP};
  std::function<void()> onHangUp;
  std::vector<std::unique_ptr<asio::steady_timer>> timers;

  void AwaitHangUp() {
    hangUps.async_wait([this](beast::error_code error, int) {
      if (error) return;
      if (onHangUp) onHangUp();
      AwaitHangUp();
    });
  }
  void Tick(asio::steady_timer& timer, std::chrono::milliseconds every, std::function<void()> work) {
    timer.expires_after(every);
    timer.async_wait([this, &timer, every, work = std::move(work)](beast::error_code error) mutable {
      if (error) return;
      work();
      Tick(timer, every, std::move(work));
    });
  }
};

void HttpServer::Impl::Accept() {
  acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
    if (error == asio::error::operation_aborted) return;
    if (!error) Admit(std::move(socket));
    Accept();
  });
}

void HttpServer::Impl::Admit(tcp::socket socket) {
  if (open >= limits.connections) {
    if (waiting.empty()) return;  // every connection is being answered: this one is refused
    if (const auto longest = waiting.front().lock()) {
      longest->Evict();  // leaves the list
    } else {
      waiting.pop_front();
    }
  }
  beast::error_code ignored;
  socket.set_option(tcp::no_delay(true), ignored);  // small replies, answered at once
  std::make_shared<Session>(std::move(socket), *this)->ReadRequest();
}

HttpServer::HttpServer(const HttpLimits& limits, Handler handler, Logger logger)
    : impl_(std::make_unique<Impl>(limits, std::move(handler), std::move(logger))) {}

HttpServer::~HttpServer() = default;

bool HttpServer::Listen(const std::string& host, uint16_t port, std::string& error) {
  beast::error_code code;
  const auto address = asio::ip::make_address(host, code);
  if (code) {
    error = "\"" + host + "\" is not an IP address";
    return false;
  }
  const tcp::endpoint endpoint(address, port);
  auto& acceptor = impl_->acceptor;
  if (!acceptor.open(endpoint.protocol(), code) && !acceptor.set_option(tcp::acceptor::reuse_address(true), code) &&
      !acceptor.bind(endpoint, code) && !acceptor.listen(asio::socket_base::max_listen_connections, code)) {
    return true;
  }
  error = code.message();
  return false;
}

uint16_t HttpServer::port() const {
  beast::error_code ignored;
  return impl_->acceptor.local_endpoint(ignored).port();
}

void HttpServer::OnHangUp(std::function<void()> reopen) { impl_->onHangUp = std::move(reopen); }

void HttpServer::Every(std::chrono::milliseconds every, std::function<void()> work) {
  impl_->timers.push_back(std::make_unique<asio::steady_timer>(impl_->io));
  impl_->Tick(*impl_->timers.back(), every, std::move(work));
}

void HttpServer::Run() {
  impl_->stops.async_wait([this](beast::error_code, int) { impl_->io.stop(); });
  impl_->AwaitHangUp();
  impl_->Accept();
  impl_->io.run();
}

}  // namespace oq::tracker
