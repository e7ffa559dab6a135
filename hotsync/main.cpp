// oq-hotsync: the desktop host that stands where the HotSync Manager would,
// loading the conduit and calling its exports against a handheld image.
#include <CLI/CLI.hpp>

#include "commands.h"

int main(int argc, char** argv) {
  using namespace oq::hotsync;
  CLI::App app{"oq-hotsync: run the OrbitQuail conduit against a handheld image"};
  app.require_subcommand(1);

  SyncOptions sync;
  auto* syncCommand = app.add_subcommand("sync", "one HotSync of the conduit against a handheld image");
  syncCommand->add_option("--handheld", sync.handheld, "folder holding the handheld's database files")
      ->required();
  syncCommand->add_option("--user", sync.user, "HotSync user name (default: the folder's name)");
  syncCommand->add_option("--action", sync.action, "HotSync action passed to the conduit (6: do nothing)");
  syncCommand->add_option("--conduit", sync.conduit, "conduit library to load");

  ConduitsOptions conduits;
  auto* conduitsCommand = app.add_subcommand("conduits", "name, version and properties of the conduit");
  conduitsCommand->add_option("--conduit", conduits.conduit, "conduit library to load");

  ConfigureOptions configure;
  auto* configureCommand = app.add_subcommand("configure", "the conduit's HotSync action dialog for a user");
  configureCommand->add_option("--user", configure.user, "HotSync user (default: the first one)");
  configureCommand->add_flag("--legacy", configure.legacy, "use the old-style ConfigureConduit export");
  configureCommand->add_option("--script", configure.script,
                               "drive the dialog: \"set ID TEXT; click ID; ok\" (see the README)");
  configureCommand->add_option("--conduit", configure.conduit, "conduit library to load");

  ShowOptions show;
  auto* showCommand = app.add_subcommand("show", "the handheld's program catalogue and the server's message");
  showCommand->add_option("--handheld", show.handheld, "folder holding the handheld's database files")->required();
  showCommand->add_flag("--json", show.json, "print JSON for scripts");

  SampleOptions sample;
  auto* sampleCommand =
      app.add_subcommand("sample", "write a small sample handheld image, or a stand-in of OrbitQuail.prc");
  sampleCommand->add_option("--handheld", sample.handheld, "folder to write the image into");
  sampleCommand->add_option("--program", sample.program, "file to write a stand-in handheld program into");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kExitOk : kExitUsage;
  }
  if (*syncCommand) return RunSync(sync);
  if (*sampleCommand) return RunSample(sample);
  if (*showCommand) return RunShow(show);
  if (*configureCommand) return RunConfigure(configure);
  return RunConduits(conduits);
}
