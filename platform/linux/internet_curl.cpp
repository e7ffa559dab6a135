// The internet contract over libcurl. One easy handle per connection
// object, so that every request of a connection reuses one TCP connection;
// the options that are the same for every request are set once on it, and
// a request sets only its URL, headers and proxy credentials. The body is
// received whole (at most kMaxBodySize bytes) while the request is sent,
// and read line by line afterwards.
//
// Implemented: GET only; the object and port of the connection; the added
// headers with kAddRequestHeaderIfNew; proxy credentials (options 43, 44);
// the status code. Ignored, because libcurl does the same by itself or has
// no such notion: the version text of OpenRequest (always HTTP/1.1), its
// flags (never cached, keep-alive, an existing connection reused), any
// other option number (SetOption answers false), and the proxy
// configuration, which comes from http_proxy instead of the system's.
#include <curl/curl.h>

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include "ascii_case.h"
#include "http_timeout.h"
#include "internet.h"
#include "response_body.h"

namespace oq::platform {

namespace {

constexpr long kMaxRedirects = 10;

void InitialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

using ascii::EqualsIgnoringCase;

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Headers the transport always sends.
constexpr std::string_view kHeadersAlwaysSent[] = {"Host", "User-Agent", "Cache-Control", "Pragma"};

bool IsHostCharacter(char c) { return ascii::IsLetterOrDigit(c) || c == '-' || c == '.'; }

// A plain "http://host[:port][/path][?query]" with nothing in it that
// needs a URL parser's judgement (user info, brackets, fragments, blanks,
// bytes outside printable ASCII); false leaves the URL to libcurl.
bool SplitPlainHttpUrl(std::string_view url, ParsedUrl& parsed) {
  constexpr std::string_view kScheme = "http://";
  if (url.size() < kScheme.size() || !EqualsIgnoringCase(url.substr(0, kScheme.size()), kScheme)) {
    return false;
  }
  const std::string_view rest = url.substr(kScheme.size());
  const size_t hostEnd = rest.find_first_of(":/?");
  const std::string_view host = rest.substr(0, hostEnd);
  if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostCharacter)) return false;
  uint32_t port = kDefaultHttpPort;
  size_t objectStart = hostEnd;
  if (hostEnd != std::string_view::npos && rest[hostEnd] == ':') {
    objectStart = rest.find_first_of("/?", hostEnd + 1);
    const std::string_view digits = rest.substr(hostEnd + 1, objectStart - hostEnd - 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (port == 0 || port > 0xFFFF) return false;
  }
  std::string_view object = objectStart == std::string_view::npos ? std::string_view{} : rest.substr(objectStart);
  if (!object.empty() && object.back() == '?' && object.find('?') == object.size() - 1) {
    object.remove_suffix(1);  // an empty query is no query
  }
  const bool plain = std::all_of(object.begin(), object.end(), [](char c) { return c > ' ' && c < 0x7F && c != '#'; });
  if (!plain) return false;
  parsed.service = kInternetServiceHttp;
  parsed.server.assign(host);
  parsed.port = static_cast<uint16_t>(port);
  // The strings' room serves URL after URL.
  parsed.object.clear();
  if (object.empty() || object.front() == '?') parsed.object += '/';
  parsed.object.append(object);
  return true;
}

}  // namespace

bool ParseInternetUrl(const char* url, ParsedUrl& parsed) {
  if (url != nullptr && SplitPlainHttpUrl(url, parsed)) return true;
  InitialiseCurlOnce();
  CURLU* handle = curl_url();
  if (handle == nullptr) return false;
  bool ok = curl_url_set(handle, CURLUPART_URL, url, CURLU_NON_SUPPORT_SCHEME | CURLU_PATH_AS_IS) == CURLUE_OK;
  auto part = [&](CURLUPart which, std::string& out) {
    char* value = nullptr;
    if (curl_url_get(handle, which, &value, 0) != CURLUE_OK) return false;
    out = value;
    curl_free(value);
    return true;
  };
  std::string scheme, port, path, query;
  ok = ok && part(CURLUPART_SCHEME, scheme) && part(CURLUPART_HOST, parsed.server);
  if (ok) {
    parsed.service = EqualsIgnoringCase(scheme, "http") ? kInternetServiceHttp : 0;
    parsed.port = part(CURLUPART_PORT, port) ? static_cast<uint16_t>(std::atoi(port.c_str())) : kDefaultHttpPort;
    if (!part(CURLUPART_PATH, path) || path.empty()) path = "/";
    parsed.object = part(CURLUPART_QUERY, query) ? path + "?" + query : path;
  }
  curl_url_cleanup(handle);
  return ok;
}

struct InternetSession::Impl {
  std::string agent;
};

struct HttpConnection::Impl {
  const InternetSession::Impl* session = nullptr;
  CURL* easy = nullptr;
  // The request under way: when it started, and whether the wait for it
  // was shown.
  std::chrono::steady_clock::time_point started;
  bool waitShown = false;
  std::string server;
  uint16_t port = 0;
  std::string urlPrefix;  // "http://server:port"
  std::string url;        // of the request under way; its room serves the next
  char error[CURL_ERROR_SIZE] = {};
  // The header list on the handle, and the added headers it was made from.
  curl_slist* headers = nullptr;
  std::vector<std::string> headersAdded;
  // The proxy credentials on the handle.
  bool credentialsSet = false;
  std::string proxyUser;
  std::string proxyPassword;
};

struct HttpRequest::Impl {
  HttpConnection::Impl* connection = nullptr;
  std::string object;
  std::vector<std::string> addedNames;
  std::vector<std::string> addedHeaders;
  std::string proxyUser;
  std::string proxyPassword;
  bool statusReceived = false;  // also when the body failed after the status line
  long status = 0;
  ResponseBody body;
  bool bodyTooLarge = false;
};

// ---- session

InternetSession::InternetSession(const char* agent) : impl_(std::make_unique<Impl>()) {
  InitialiseCurlOnce();
  impl_->agent = agent ? agent : "";
}

InternetSession::~InternetSession() = default;

namespace {

size_t CollectBody(char* data, size_t size, size_t count, void* userData) {
  auto* request = static_cast<HttpRequest::Impl*>(userData);
  const size_t length = size * count;
  if (!request->body.Append(data, length)) {
    request->bodyTooLarge = true;
    return 0;  // makes libcurl stop with a write error
  }
  return length;
}

// A request that takes long says so once on stderr, with how long it may
// still take, where a HotSync's user waits at a terminal.
constexpr auto kQuietWait = std::chrono::seconds(3);

int ShowLongWait(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* connection = static_cast<HttpConnection::Impl*>(userData);
  if (connection->waitShown) return 0;
  const auto waited = std::chrono::steady_clock::now() - connection->started;
  if (waited < kQuietWait) return 0;
  connection->waitShown = true;
  const long left = HttpRequestDeadlineSeconds() -
                    static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(waited).count());
  std::fprintf(stderr, "%swaiting for an answer from %s (giving up in at most %ld s)%s",
               isatty(STDERR_FILENO) == 1 ? "\r\x1b[K" : "", connection->server.c_str(), left,
               isatty(STDERR_FILENO) == 1 ? "" : "\n");
  std::fflush(stderr);
  return 0;
}

// The options every request of a connection shares.
void ConfigureHandle(HttpConnection::Impl& connection) {
  CURL* easy = connection.easy;
  const long timeout = HttpTimeoutSeconds();
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_USERAGENT, connection.session->agent.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, timeout);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, timeout);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, HttpRequestDeadlineSeconds());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, connection.error);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, ShowLongWait);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &connection);
}

// Always sent with no accept types and past any cache, then the headers
// the transport added.
void SetHeaders(HttpConnection::Impl& connection, const std::vector<std::string>& added) {
  if (connection.headers != nullptr && connection.headersAdded == added) return;
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Accept:");
  headers = curl_slist_append(headers, "Cache-Control: no-cache");
  headers = curl_slist_append(headers, "Pragma: no-cache");
  for (const auto& header : added) headers = curl_slist_append(headers, header.c_str());
  curl_easy_setopt(connection.easy, CURLOPT_HTTPHEADER, headers);
  curl_slist_free_all(connection.headers);
  connection.headers = headers;
  connection.headersAdded = added;
}

void SetProxyCredentials(HttpConnection::Impl& connection, const std::string& user, const std::string& password) {
  const bool offered = !user.empty() || !password.empty();
  if (offered == connection.credentialsSet &&
      (!offered || (user == connection.proxyUser && password == connection.proxyPassword))) {
    return;
  }
  curl_easy_setopt(connection.easy, CURLOPT_PROXYUSERNAME, offered ? user.c_str() : nullptr);
  curl_easy_setopt(connection.easy, CURLOPT_PROXYPASSWORD, offered ? password.c_str() : nullptr);
  connection.credentialsSet = offered;
  connection.proxyUser = user;
  connection.proxyPassword = password;
}

}  // namespace

std::unique_ptr<HttpConnection> InternetSession::GetHttpConnection(const std::string& server, uint16_t port) {
  CURL* easy = curl_easy_init();
  if (easy == nullptr) return nullptr;
  auto impl = std::make_unique<HttpConnection::Impl>();
  impl->session = impl_.get();
  impl->easy = easy;
  impl->server = server;
  impl->port = port;
  impl->urlPrefix = "http://" + server + ":" + std::to_string(port);
  ConfigureHandle(*impl);
  return std::make_unique<HttpConnection>(std::move(impl));
}

void InternetSession::Close() {}

// ---- connection

HttpConnection::HttpConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

HttpConnection::~HttpConnection() { Close(); }

std::unique_ptr<HttpRequest> HttpConnection::OpenRequest(int verb, const std::string& object, const char* /*version*/,
                                                         uint32_t /*flags*/) {
  if (verb != kHttpVerbGet || impl_->easy == nullptr) return nullptr;
  auto impl = std::make_unique<HttpRequest::Impl>();
  impl->connection = impl_.get();
  impl->object = object;
  return std::make_unique<HttpRequest>(std::move(impl));
}

void HttpConnection::Close() {
  if (impl_ && impl_->easy != nullptr) {
    curl_easy_cleanup(impl_->easy);
    impl_->easy = nullptr;
    curl_slist_free_all(impl_->headers);
    impl_->headers = nullptr;
  }
}

// ---- request

HttpRequest::HttpRequest(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

HttpRequest::~HttpRequest() = default;

bool HttpRequest::AddRequestHeaders(const std::string& headers, uint32_t flags) {
  auto known = [&](std::string_view name) {
    auto same = [&](std::string_view other) { return EqualsIgnoringCase(other, name); };
    return std::any_of(std::begin(kHeadersAlwaysSent), std::end(kHeadersAlwaysSent), same) ||
           std::any_of(impl_->addedNames.begin(), impl_->addedNames.end(), same);
  };
  for (std::string_view rest = headers; !rest.empty();) {
    const size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 2);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = TrimBlanks(line.substr(0, colon));
    if (name.empty()) continue;
    if (known(name) && (flags & kAddRequestHeaderIfNew) != 0) continue;
    impl_->addedNames.emplace_back(name);
    impl_->addedHeaders.push_back(std::string(name).append(": ").append(TrimBlanks(line.substr(colon + 1))));
  }
  return true;
}

bool HttpRequest::SetOption(uint32_t option, const char* value, uint32_t length) {
  if (value == nullptr) return false;
  if (option == kOptionProxyUsername) {
    impl_->proxyUser.assign(value, strnlen(value, length));
  } else if (option == kOptionProxyPassword) {
    impl_->proxyPassword.assign(value, strnlen(value, length));
  } else {
    return false;
  }
  return true;
}

void HttpRequest::SendRequest() {
  HttpConnection::Impl* connection = impl_->connection;
  if (connection == nullptr || connection->easy == nullptr) throw InternetException("The connection is closed.");
  CURL* easy = connection->easy;
  impl_->body.Clear();
  impl_->bodyTooLarge = false;
  impl_->statusReceived = false;
  connection->error[0] = '\0';
  connection->started = std::chrono::steady_clock::now();
  connection->waitShown = false;

  connection->url.assign(connection->urlPrefix).append(impl_->object);
  curl_easy_setopt(easy, CURLOPT_URL, connection->url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, impl_.get());
  SetHeaders(*connection, impl_->addedHeaders);
  SetProxyCredentials(*connection, impl_->proxyUser, impl_->proxyPassword);

  const CURLcode result = curl_easy_perform(easy);
  // The status stays readable when the body fails after it.
  impl_->status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &impl_->status);
  impl_->statusReceived = impl_->status != 0;
  if (impl_->bodyTooLarge) throw InternetException(ResponseBody::kTooLargeMessage);
  if (result != CURLE_OK) {
    impl_->body.Clear();
    throw InternetException(connection->error[0] != '\0' ? connection->error : curl_easy_strerror(result));
  }
}

bool HttpRequest::QueryInfoStatusCode(uint32_t& code) const {
  if (!impl_->statusReceived) return false;
  code = static_cast<uint32_t>(impl_->status);
  return true;
}

bool HttpRequest::ReadString(std::string& line) { return impl_->body.ReadLine(line); }

void HttpRequest::Close() {
  impl_->body.Clear();
  impl_->statusReceived = false;
}

}  // namespace oq::platform
