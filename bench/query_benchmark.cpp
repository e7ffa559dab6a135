// Figures for the tracking server client: program queries through one
// client (one connection for the whole pass) against a fresh client per
// query, and the reply parser's throughput.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "handheld_host.h"
#include "product.h"
#include "program_records.h"
#include "query_server.h"
#include "scripted_http_server.h"
#include "test_environment.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kQueries = 1000;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

}  // namespace

int main() {
  using namespace oq;
  test::ScopedHome home;
  test::TempDir image;
  handheld_host::BeginSync(image.path());
  const auto record = test::MakeProgramRecord({.type = "appl", .creator = "StCh", .name = "Star Chart"});
  const std::string body = "<status>okay</status>\n<version>2.1</version>\n<date>2003/09/22</date>\n<msg>New</msg>\n";

  double rates[2];
  int connections[2];
  for (int fresh = 0; fresh < 2; ++fresh) {
    test::ScriptedHttpServer server([&](const auto&) {
      test::ScriptedHttpServer::Response response;
      response.body = body;
      return response;
    });
    test::ScopedEnvironment proxy("http_proxy", server.Url("").c_str());
    std::string text;
    ServerReply reply;
    int failures = 0;
    const auto start = Clock::now();
    if (fresh) {
      for (int i = 0; i < kQueries; ++i) {
        TrackQueryClient client;
        failures += !QueryServer(client, product::kUserAgent, record.data(), text, reply);
      }
    } else {
      TrackQueryClient client;
      for (int i = 0; i < kQueries; ++i)
        failures += !QueryServer(client, product::kUserAgent, record.data(), text, reply);
    }
    rates[fresh] = kQueries / Seconds(Clock::now() - start);
    connections[fresh] = server.AcceptedConnections();
    if (failures != 0) std::printf("warning: %d queries failed\n", failures);
  }
  std::printf("%d program queries through one client:   %8.0f queries/s, %d TCP connection(s)\n", kQueries, rates[0],
              connections[0]);
  std::printf("%d program queries, a fresh client each: %8.0f queries/s, %d TCP connection(s)\n", kQueries, rates[1],
              connections[1]);
  std::printf("one client is %.2f times as fast\n", rates[0] / rates[1]);

  // Parser throughput on a 1 MiB body of many elements.
  std::string large;
  while (large.size() < 1024 * 1024 - 64) large += "<msg>some text for the user</msg>\n<junk>x</junk>\n";
  large += "<status>okay</status>";
  ServerReply reply;
  const int rounds = 50;
  const auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) reply.ParseReply(large.c_str());
  const double megabytes = rounds * static_cast<double>(large.size()) / (1024 * 1024);
  std::printf("ParseReply: %.0f MB/s on a %zu-byte body (status %d)\n", megabytes / Seconds(Clock::now() - start),
              large.size(), static_cast<int>(reply.status));
  return 0;
}
