// The floor a tracking pass is measured against: the same GET requests,
// one after another, through one libcurl easy handle and the same proxy,
// with nothing else done per request but collecting the body.
//
//   raw_curl_loop PROXY_URL URL_FILE    (one URL a line)
#include <curl/curl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

size_t Collect(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: raw_curl_loop PROXY_URL URL_FILE\n");
    return 2;
  }
  std::vector<std::string> urls;
  std::ifstream in(argv[2]);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) urls.push_back(line);
  }

  curl_global_init(CURL_GLOBAL_DEFAULT);
  CURL* easy = curl_easy_init();
  std::string body;
  curl_easy_setopt(easy, CURLOPT_PROXY, argv[1]);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  int failures = 0;
  for (const auto& url : urls) {
    body.clear();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    if (curl_easy_perform(easy) != CURLE_OK) ++failures;
  }
  curl_easy_cleanup(easy);
  curl_global_cleanup();
  if (failures != 0) std::fprintf(stderr, "raw_curl_loop: %d of %zu requests failed\n", failures, urls.size());
  return failures == 0 ? 0 : 1;
}
