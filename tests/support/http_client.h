// GET requests over one kept-alive connection, for tests that ask a
// server many times.
#pragma once

#include <string>

namespace oq::test {

class HttpClient {
 public:
  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // The body; `status` gets the HTTP status (0 when no answer came).
  std::string Get(const std::string& url, long& status);
  std::string Get(const std::string& url) {
    long status = 0;
    return Get(url, status);
  }

 private:
  void* curl_;
};

}  // namespace oq::test
