// A tracker that misbehaves on purpose, for the Wine suite's transport
// checks. The init query and every program get a usable answer, except the
// creators named on the command line:
//
//   scripted_tracker CREATOR=BEHAVIOUR[:STATUS] ...
//
// BEHAVIOUR is cut (the body declared whole, half of it sent, then closed),
// chunked-cut (a chunked body without its last chunk), trickle (the body a
// byte at a time), silent (no answer at all) or answer; their body would
// write version 9.9 into the record if it were taken. Prints "listening on
// http://127.0.0.1:PORT", then each request's target, and serves until it
// is killed.
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "scripted_http_server.h"

namespace {

using oq::test::ScriptedHttpServer;
using Behaviour = ScriptedHttpServer::Behaviour;

std::string Parameter(const std::string& target, const std::string& name) {
  const size_t start = target.find(name + "=");
  if (start == std::string::npos) return {};
  const size_t end = target.find('&', start);
  return target.substr(start + name.size() + 1, end == std::string::npos ? end : end - start - name.size() - 1);
}

bool ParseBehaviour(const std::string& name, Behaviour& behaviour) {
  static const std::map<std::string, Behaviour> kNames = {{"cut", Behaviour::kDropMidBody},
                                                          {"chunked-cut", Behaviour::kChunkedWithoutEnd},
                                                          {"trickle", Behaviour::kTrickle},
                                                          {"silent", Behaviour::kNeverAnswer},
                                                          {"answer", Behaviour::kAnswer}};
  const auto found = kNames.find(name);
  if (found == kNames.end()) return false;
  behaviour = found->second;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, ScriptedHttpServer::Response> scripted;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const size_t equals = argument.find('=');
    const size_t colon = argument.find(':', equals);
    ScriptedHttpServer::Response response;
    if (equals == std::string::npos ||
        !ParseBehaviour(argument.substr(equals + 1, colon - equals - 1), response.behaviour)) {
      std::fprintf(stderr, "usage: scripted_tracker CREATOR=cut|chunked-cut|trickle|silent|answer[:STATUS] ...\n");
      return 2;
    }
    if (colon != std::string::npos) response.status = std::stoi(argument.substr(colon + 1));
    response.body =
        "<status>okay</status><version>9.9</version><date>2030-01-02</date><msg>" + std::string(200, 'x') + "</msg>";
    scripted[argument.substr(0, equals)] = response;
  }

  ScriptedHttpServer server([&](const ScriptedHttpServer::Request& request) {
    std::printf("%s\n", request.target.c_str());
    std::fflush(stdout);
    ScriptedHttpServer::Response response;
    if (request.target.find("init=true") != std::string::npos) {
      response.body = "<status>okay</status><msg>Hello from the scripted tracker</msg>";
      return response;
    }
    const std::string creator = Parameter(request.target, "creator");
    if (const auto found = scripted.find(creator); found != scripted.end()) return found->second;
    response.body = "<status>nodata</status><msg>nothing on " + creator + "</msg>";
    return response;
  });
  std::printf("listening on http://127.0.0.1:%u\n", static_cast<unsigned>(server.port()));
  std::fflush(stdout);
  while (true) pause();
}
