#include "conduit_pass.h"

#include <cstdio>
#include <string_view>
#include <unistd.h>

#include "exit_status.h"
#include "handheld_host.h"
#include "log_texts.h"
#include "output_style.h"

namespace oq::hotsync {

namespace {

// The HotSync Manager hands conduits a progress callback; ours shows nothing.
int32_t IgnoreProgress(char*) { return 0; }

}  // namespace

void PrintLine(const std::string& line) {
  if (CurrentVerbosity() == Verbosity::kQuiet) return;
  std::fwrite(line.data(), 1, line.size(), stdout);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);
}

int ChosenAction(standin::DesktopDirectory& desktop, const std::string& user) {
  using Desktop = standin::DesktopDirectory;
  if (auto next = desktop.Action(user, kConduitCreator, Desktop::kTemporary)) {
    desktop.SetAction(user, kConduitCreator, Desktop::kTemporary, std::nullopt);
    return *next;
  }
  return desktop.Action(user, kConduitCreator, Desktop::kPermanent).value_or(0);
}

ConduitPass RunConduitPass(ConduitLibrary& conduit, int action) {
  // The conduit logs the start of every pass, and each program the
  // tracker did not answer for by name.
  const std::string kNoAnswer = std::string(": ") + log_texts::kNoAnswer;
  ConduitPass pass;
  // On a terminal the conduit's progress window keeps its latest line open
  // on stderr; a log line takes that line's place instead of running on
  // from its end.
  const bool progressOnTerminal = isatty(STDERR_FILENO) == 1;
  handheld_host::SetHotSyncLogSink([&](const std::string& line) {
    if (progressOnTerminal) std::fputs("\r\x1b[K", stderr);
    PrintLine(line);
    pass.advice.Observe(line);
    const std::string_view text(line);
    pass.passRan = pass.passRan || text == log_texts::kPassStart;
    if (text.size() > kNoAnswer.size() && text.substr(text.size() - kNoAnswer.size()) == kNoAnswer) {
      ++pass.unanswered;
    }
  });
  SyncProperties properties{};
  properties.syncAction = action;
  pass.result = conduit.openConduit(IgnoreProgress, &properties);
  handheld_host::SetHotSyncLogSink(nullptr);
  return pass;
}

}  // namespace oq::hotsync
