// HTTP over the platform's internet library.
//
// A session, a connection to one server and one request at a time, with
// the operations the conduit's HTTP client uses. Every call blocks until it
// is done. Failures the platform reports while connecting, sending or
// receiving are thrown as InternetException (the one exception type, which
// carries the platform's message); a call that gives no object returns an
// empty pointer. Objects are closed explicitly and then destroyed; a
// request must not outlive its connection, nor a connection its session.
//
// What every implementation provides: an HTTP/1.1 GET of the object
// (path and query) through the system's proxy configuration, the session's
// agent text as the user-agent header, the proxy credentials offered when
// the proxy asks for them, no cache read or written, keep-alive on one
// connection, redirects followed over http only, bounded time-outs (see
// http_timeout.h) with an overall deadline per request, and a response body
// of at most kMaxBodySize bytes; a larger body, or one that ends before its
// declared length or last chunk, is a failure.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace oq::platform {

// These numbers are WinINet's and MFC's own (the service type of AfxParseURL,
// the verb, the INTERNET_FLAG_* request flags, HTTP_ADDREQ_FLAG_ADD_IF_NEW,
// INTERNET_OPTION_PROXY_USERNAME and _PASSWORD): the conduit passes them as
// the platform defines them, and the Windows binding checks them against
// <wininet.h>.
inline constexpr uint32_t kInternetServiceHttp = 3;
inline constexpr uint16_t kDefaultHttpPort = 80;

inline constexpr int kHttpVerbGet = 1;
inline constexpr uint32_t kFlagReload = 0x80000000;
inline constexpr uint32_t kFlagExistingConnect = 0x20000000;
inline constexpr uint32_t kFlagNoCacheWrite = 0x04000000;
inline constexpr uint32_t kFlagKeepConnection = 0x00400000;

inline constexpr uint32_t kAddRequestHeaderIfNew = 0x10000000;
inline constexpr uint32_t kOptionProxyUsername = 43;
inline constexpr uint32_t kOptionProxyPassword = 44;

inline constexpr size_t kMaxBodySize = 1024 * 1024;

// The status code of a response that carries what was asked for.
inline constexpr uint16_t kHttpStatusOk = 200;

class InternetException {
 public:
  explicit InternetException(std::string message) : message_(std::move(message)) {}
  // The platform's description, NUL-terminated and cut to fit `size`.
  bool GetErrorMessage(char* buffer, uint32_t size) const {
    if (buffer == nullptr || size == 0) return false;
    const size_t length = message_.size() < size - 1 ? message_.size() : size - 1;
    std::memcpy(buffer, message_.data(), length);
    buffer[length] = '\0';
    return true;
  }
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

struct ParsedUrl {
  uint32_t service = 0;  // kInternetServiceHttp for plain http
  std::string server;    // host name without port
  std::string object;    // path with its query string
  uint16_t port = 0;     // kDefaultHttpPort when the URL names none
};

// False when the URL cannot be parsed.
bool ParseInternetUrl(const char* url, ParsedUrl& parsed);

class HttpRequest {
 public:
  struct Impl;
  explicit HttpRequest(std::unique_ptr<Impl> impl);
  ~HttpRequest();

  // Each "Name: value" line of the CRLF-separated block is added unless a
  // header of that name is already present (with kAddRequestHeaderIfNew).
  bool AddRequestHeaders(const std::string& headers, uint32_t flags);
  // Proxy credentials: `value` is a NUL-terminated text in a buffer of
  // `length` bytes.
  bool SetOption(uint32_t option, const char* value, uint32_t length);
  // Sends the request and receives the response. Throws InternetException.
  void SendRequest();
  // False until a status line came in; true after one even when SendRequest
  // then threw for the body.
  bool QueryInfoStatusCode(uint32_t& code) const;
  // The next body line without its line feed; false when the body is done.
  bool ReadString(std::string& line);
  void Close();

 private:
  std::unique_ptr<Impl> impl_;
};

class HttpConnection {
 public:
  struct Impl;
  explicit HttpConnection(std::unique_ptr<Impl> impl);
  ~HttpConnection();

  // Throws InternetException; empty when no request object can be made.
  std::unique_ptr<HttpRequest> OpenRequest(int verb, const std::string& object, const char* version, uint32_t flags);
  void Close();

 private:
  std::unique_ptr<Impl> impl_;
};

class InternetSession {
 public:
  struct Impl;
  // Uses the system's proxy configuration.
  explicit InternetSession(const char* agent);
  ~InternetSession();

  // Throws InternetException; empty when no connection object can be made.
  std::unique_ptr<HttpConnection> GetHttpConnection(const std::string& server, uint16_t port);
  void Close();

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace oq::platform
