#include "output_style.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace oq::hotsync {

namespace {

Verbosity verbosity = Verbosity::kNormal;

bool MayColour(std::FILE* stream) {
  const char* noColour = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  return isatty(fileno(stream)) == 1 && (noColour == nullptr || *noColour == '\0') &&
         (term == nullptr || std::strcmp(term, "dumb") != 0);
}

}  // namespace

void SetVerbosity(Verbosity value) { verbosity = value; }
Verbosity CurrentVerbosity() { return verbosity; }

std::string Highlighted(const std::string& text, std::FILE* stream) {
  return MayColour(stream) ? "\x1b[1;32m" + text + "\x1b[0m" : text;
}

}  // namespace oq::hotsync
