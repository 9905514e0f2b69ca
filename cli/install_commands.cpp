// `korvane install`, `uninstall`, `status` (the Windows tool only): the
// command line of the installer in install/.
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "install/installer.h"

namespace korvane::cli {

void add_install(CLI::App& app) {
  auto options = std::make_shared<install::Options>();
  // --folder's value, read again in UTF-16 by the installer; the callbacks
  // keep it alive while the parser writes it.
  auto folder = std::make_shared<std::string>();
  CLI::App* in = app.add_subcommand(
      "install",
      "Install the add-in for Excel from this folder (for you; --machine for every user)");
  in->add_flag("--machine", options->machine,
               "Install for every user (needs administrator rights)");
  in->add_option("--folder", *folder,
                 "The installation folder (empty, or one Korvane is installed in); without it, "
                 "the standard folder for this version");
  in->add_flag("--xll", options->xll,
               "Have Excel load korvane.xll instead of the automation add-in");
  in->add_flag("--automation", options->automation,
               "Have Excel load the automation add-in (an upgrade otherwise keeps the kind "
               "chosen before)")
      ->excludes("--xll");
  in->add_flag("--by-setup", options->by_setup,
               "Run by the setup program: the installation is removed in Apps & Features");
  in->add_flag("--in-place", options->in_place,
               "Register this release folder where it is, without copying it (for a setup "
               "program that has already put the files in place)");
  in->callback([options, folder, in] {
    options->folder_given = in->count("--folder") > 0;
    set_exit_code(install::install(*options));
  });

  CLI::App* un = app.add_subcommand("uninstall", "Remove what install put in place");
  un->add_flag("--machine", options->machine, "Remove the installation for every user");
  un->add_option("--folder", *folder,
                 "The installation folder to remove; without it, the standard folder");
  un->add_flag("--by-setup", options->by_setup,
               "Run by the setup's uninstaller (the zip's uninstall leaves a setup's "
               "installation to Apps & Features)");
  un->add_flag("--keep-files", options->keep_files,
               "Undo the registration and Excel's entries only, and keep the files");
  // The uninstaller's own second step (see installer.cpp), hidden from help.
  un->add_option("--finish-after", options->finish_after)->group("");
  un->add_option("--finish-since", options->finish_since)->group("");
  auto folders = std::make_shared<std::vector<std::string>>();  // read again in UTF-16
  un->add_option("--finish-folder", *folders)->group("");
  un->callback([options, folders, folder, un] {
    options->folder_given = un->count("--folder") > 0;
    set_exit_code(install::uninstall(*options));
  });

  CLI::App* st =
      app.add_subcommand("status",
                         "Show what is installed where, whether Excel loads it and whether a file "
                         "is blocked; switch an installation for every user on for your Excel");
  st->callback([] { set_exit_code(install::status()); });
}

}  // namespace korvane::cli
