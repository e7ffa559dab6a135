// The internet contract over WinINet: the system's proxy configuration,
// the request flags the caller gives, and the body received whole (at most
// kMaxBodySize bytes) while the request is sent, so that every failure
// surfaces where the caller catches it. The time-outs go on every handle
// that can block (not every WinINet passes a session's down to its
// requests), and the body is read as it arrives, so that the request's
// deadline holds against a server that trickles it.
#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <string>

#include "http_timeout.h"
#include "internet.h"
#include "response_body.h"

namespace oq::platform {

static_assert(kInternetServiceHttp == INTERNET_SERVICE_HTTP);
static_assert(kFlagReload == INTERNET_FLAG_RELOAD);
static_assert(kFlagExistingConnect == INTERNET_FLAG_EXISTING_CONNECT);
static_assert(kFlagNoCacheWrite == INTERNET_FLAG_NO_CACHE_WRITE);
static_assert(kFlagKeepConnection == INTERNET_FLAG_KEEP_CONNECTION);
static_assert(kAddRequestHeaderIfNew == HTTP_ADDREQ_FLAG_ADD_IF_NEW);
static_assert(kOptionProxyUsername == INTERNET_OPTION_PROXY_USERNAME);
static_assert(kOptionProxyPassword == INTERNET_OPTION_PROXY_PASSWORD);
static_assert(kDefaultHttpPort == INTERNET_DEFAULT_HTTP_PORT);

namespace {

constexpr DWORD kReadChunk = 4096;
constexpr DWORD kMillisecondsPerSecond = 1000;

DWORD TimeoutMilliseconds() { return static_cast<DWORD>(HttpTimeoutSeconds()) * kMillisecondsPerSecond; }

void SetTimeouts(HINTERNET handle, DWORD milliseconds) {
  for (DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
  }
}

// WinINet's description of its last error.
[[noreturn]] void ThrowLastError() {
  const DWORD error = GetLastError();
  char text[1024] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                GetModuleHandleA("wininet.dll"), error, 0, text, sizeof text, nullptr);
  if (length == 0)
    length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                            sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[--length] = '\0';
  throw InternetException(length > 0 ? text : "Internet error " + std::to_string(error) + ".");
}

}  // namespace

bool ParseInternetUrl(const char* url, ParsedUrl& parsed) {
  char scheme[32] = {}, host[INTERNET_MAX_HOST_NAME_LENGTH] = {}, path[INTERNET_MAX_PATH_LENGTH] = {},
       extra[INTERNET_MAX_PATH_LENGTH] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszScheme = scheme;
  parts.dwSchemeLength = sizeof scheme;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = sizeof extra;
  if (url == nullptr || !InternetCrackUrlA(url, 0, 0, &parts) || host[0] == '\0') return false;
  parsed.service = parts.nScheme == INTERNET_SCHEME_HTTP ? kInternetServiceHttp : 0;
  parsed.server = host;
  parsed.port = parts.nPort != 0 ? parts.nPort : kDefaultHttpPort;
  parsed.object = std::string(path[0] ? path : "/") + extra;
  return true;
}

struct InternetSession::Impl {
  HINTERNET handle = nullptr;
};

struct HttpConnection::Impl {
  HINTERNET handle = nullptr;
};

struct HttpRequest::Impl {
  HINTERNET handle = nullptr;
  bool statusReceived = false;  // also when the body failed after the status line
  ResponseBody body;
};

InternetSession::InternetSession(const char* agent) : impl_(std::make_unique<Impl>()) {
  impl_->handle = InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  // Bounded, so that a silent server cannot hang a HotSync.
  if (impl_->handle != nullptr) SetTimeouts(impl_->handle, TimeoutMilliseconds());
}

InternetSession::~InternetSession() { Close(); }

std::unique_ptr<HttpConnection> InternetSession::GetHttpConnection(const std::string& server, uint16_t port) {
  if (impl_->handle == nullptr) throw InternetException("The internet session could not be opened.");
  HINTERNET handle =
      InternetConnectA(impl_->handle, server.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 1);
  if (handle == nullptr) ThrowLastError();
  SetTimeouts(handle, TimeoutMilliseconds());
  auto impl = std::make_unique<HttpConnection::Impl>();
  impl->handle = handle;
  return std::make_unique<HttpConnection>(std::move(impl));
}

void InternetSession::Close() {
  if (impl_ && impl_->handle != nullptr) {
    InternetCloseHandle(impl_->handle);
    impl_->handle = nullptr;
  }
}

HttpConnection::HttpConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

HttpConnection::~HttpConnection() { Close(); }

std::unique_ptr<HttpRequest> HttpConnection::OpenRequest(int verb, const std::string& object, const char* version,
                                                         uint32_t flags) {
  if (verb != kHttpVerbGet) return nullptr;
  HINTERNET handle = HttpOpenRequestA(impl_->handle, "GET", object.c_str(), version, nullptr, nullptr, flags, 1);
  if (handle == nullptr) ThrowLastError();
  SetTimeouts(handle, TimeoutMilliseconds());
  auto impl = std::make_unique<HttpRequest::Impl>();
  impl->handle = handle;
  return std::make_unique<HttpRequest>(std::move(impl));
}

void HttpConnection::Close() {
  if (impl_ && impl_->handle != nullptr) {
    InternetCloseHandle(impl_->handle);
    impl_->handle = nullptr;
  }
}

HttpRequest::HttpRequest(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

HttpRequest::~HttpRequest() { Close(); }

bool HttpRequest::AddRequestHeaders(const std::string& headers, uint32_t flags) {
  return HttpAddRequestHeadersA(impl_->handle, headers.c_str(), static_cast<DWORD>(-1), flags) != FALSE;
}

bool HttpRequest::SetOption(uint32_t option, const char* value, uint32_t length) {
  return InternetSetOptionA(impl_->handle, option, const_cast<char*>(value), length) != FALSE;
}

namespace {

// The body's length as the response declares it; false when it declares none.
bool DeclaredContentLength(HINTERNET request, DWORD& length) {
  DWORD size = sizeof length;
  return HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) != FALSE;
}

}  // namespace

void HttpRequest::SendRequest() {
  impl_->body.Clear();
  impl_->statusReceived = false;
  // Elapsed time by unsigned difference, which stays right across the tick
  // count's wrap (GetTickCount64 needs a newer Windows than we support).
  const DWORD start = GetTickCount();
  const DWORD budget = static_cast<DWORD>(HttpRequestDeadlineSeconds()) * kMillisecondsPerSecond;
  if (!HttpSendRequestA(impl_->handle, nullptr, 0, nullptr, 0)) ThrowLastError();
  impl_->statusReceived = true;
  auto fail = [this](const std::string& message) {
    impl_->body.Clear();
    throw InternetException(message);
  };
  char chunk[kReadChunk];
  size_t received = 0;
  while (true) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= budget) {
      fail("The server's response did not complete within " + std::to_string(HttpRequestDeadlineSeconds()) +
           " seconds.");
    }
    // No single wait may run past the deadline.
    DWORD wait = TimeoutMilliseconds();
    if (budget - elapsed < wait) wait = budget - elapsed;
    InternetSetOptionA(impl_->handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
    // Ask for what has arrived, so that a read returns as soon as there is
    // data; "nothing available" is only a hint, and a read of one byte tells
    // the end of the body from a pause.
    DWORD available = 0;
    if (!InternetQueryDataAvailable(impl_->handle, &available, 0, 0)) {
      impl_->body.Clear();
      ThrowLastError();
    }
    const DWORD wanted = available == 0 ? 1 : (available < kReadChunk ? available : kReadChunk);
    DWORD read = 0;
    if (!InternetReadFile(impl_->handle, chunk, wanted, &read)) {
      impl_->body.Clear();
      ThrowLastError();
    }
    if (read == 0) break;
    received += read;
    if (!impl_->body.Append(chunk, read)) throw InternetException(ResponseBody::kTooLargeMessage);
  }
  DWORD declared = 0;
  if (DeclaredContentLength(impl_->handle, declared) && received != declared) {
    fail("The server's response ended after " + std::to_string(received) + " of its " + std::to_string(declared) +
         " bytes.");
  }
}

bool HttpRequest::QueryInfoStatusCode(uint32_t& code) const {
  // Some WinINets answer 0 for a request whose sending failed.
  if (!impl_->statusReceived) return false;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (!HttpQueryInfoA(impl_->handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) {
    return false;
  }
  code = value;
  return true;
}

bool HttpRequest::ReadString(std::string& line) { return impl_->body.ReadLine(line); }

void HttpRequest::Close() {
  if (impl_ && impl_->handle != nullptr) {
    InternetCloseHandle(impl_->handle);
    impl_->handle = nullptr;
  }
}

}  // namespace oq::platform
