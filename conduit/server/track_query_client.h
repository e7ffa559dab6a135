// The conduit's HTTP client for one tracking pass: one session, at most one
// connection (kept for every request, so they share one network
// connection) and at most one open request.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "internet.h"
#include "product.h"

namespace oq {

using product::kUserAgent;

class TrackQueryClient {
 public:
  TrackQueryClient();
  virtual ~TrackQueryClient();
  TrackQueryClient(const TrackQueryClient&) = delete;
  TrackQueryClient& operator=(const TrackQueryClient&) = delete;

  // True when the request was sent and answered, whatever the status code;
  // callers test lastStatusCode.
  bool SendGet(const char* url, const char* userAgent);
  // The body of the latest response, every line ending in "\n"; false when
  // no request is open.
  bool ReadBody(std::string& text);

  // Status code of the last response whose status was read; 0 at first.
  // A response whose body failed after its status line still sets it.
  int16_t lastStatusCode = 0;
  // Whether the latest SendGet got a status line at all; false for a server
  // that refused, reset or never answered.
  bool lastRequestAnswered = false;

 private:
  bool SendGetSteps(const char* url, const char* userAgent);
  void StoreStatusCode(uint32_t code);
  void OfferProxyCredentials();

  platform::InternetSession session;
  std::unique_ptr<platform::HttpConnection> connection;
  std::unique_ptr<platform::HttpRequest> request;
  // The latest URL's parts, kept so that their room serves every request.
  platform::ParsedUrl parsedUrl;
};

}  // namespace oq
