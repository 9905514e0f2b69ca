// `korvane install`, `uninstall`, `status` (the Windows tool only): the
// command line of the installer in install/.
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "install/installer.h"

namespace korvane::cli {

using words::Tool;

void add_install(CLI::App& app) {
  auto options = std::make_shared<install::Options>();
  // --folder's value, read again in UTF-16 by the installer; the callbacks
  // keep it alive while the parser writes it.
  auto folder = std::make_shared<std::string>();
  CLI::App* in = app.add_subcommand("install", say(Tool::InstallDescription));
  in->add_flag("--machine", options->machine, say(Tool::InstallMachineOption));
  in->add_option("--folder", *folder, say(Tool::InstallFolderOption));
  in->add_flag("--xll", options->xll, say(Tool::InstallXllOption));
  in->add_flag("--automation", options->automation, say(Tool::InstallAutomationOption))
      ->excludes("--xll");
  in->add_flag("--by-setup", options->by_setup, say(Tool::InstallBySetupOption));
  in->add_flag("--in-place", options->in_place, say(Tool::InstallInPlaceOption));
  in->callback([options, folder, in] {
    options->folder_given = in->count("--folder") > 0;
    set_exit_code(install::install(*options));
  });

  CLI::App* un = app.add_subcommand("uninstall", say(Tool::UninstallDescription));
  un->add_flag("--machine", options->machine, say(Tool::UninstallMachineOption));
  un->add_option("--folder", *folder, say(Tool::UninstallFolderOption));
  un->add_flag("--by-setup", options->by_setup, say(Tool::UninstallBySetupOption));
  un->add_flag("--keep-files", options->keep_files, say(Tool::UninstallKeepFilesOption));
  // The uninstaller's own second step (see install/self_removal.h), hidden from help.
  un->add_option("--finish-after", options->finish_after)->group("");
  un->add_option("--finish-since", options->finish_since)->group("");
  auto folders = std::make_shared<std::vector<std::string>>();  // read again in UTF-16
  un->add_option("--finish-folder", *folders)->group("");
  un->callback([options, folders, folder, un] {
    options->folder_given = un->count("--folder") > 0;
    set_exit_code(install::uninstall(*options));
  });

  CLI::App* st = app.add_subcommand("status", say(Tool::StatusDescription));
  st->callback([] { set_exit_code(install::status()); });
}

}  // namespace korvane::cli
