// The installer's words, in the two languages its users read.
//
// install.cmd, uninstall.cmd and the Start menu's status window show what
// korvane.exe install, uninstall and status say to a bookkeeper, most often
// on a Chinese Windows. Every sentence is a row of one table, in English and
// in Simplified Chinese; the language is the user's Windows display language,
// chosen once per run. A sentence names what it is about through {1}, {2},
// ... (a folder, a version), filled in by words().
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "words/language.h"

namespace korvane::install {

using words::Language;

enum class Say {
  NoProgramFolder,
  NotARelease,
  MissingFile,
  NeedAdminInstall,
  NeedAdminUninstall,
  InUse,
  CannotWrite,
  CannotRemove,
  CannotRegister,
  NoXll,
  InstalledForYou,
  InstalledForAll,
  ExcelLoads,
  OthersSwitchOn,
  NoExcelAutomation,
  NoExcelXll,
  ListNotChanged,
  OlderNotRemoved,
  NothingChanged,
  RemovedForYou,
  RemovedForAll,
  UnregisteredForYou,
  UnregisteredForAll,
  NothingInstalledForYou,
  NothingInstalledForAll,
  EntryStays,
  FolderStays,
  StatusForYou,
  StatusForAll,
  StatusInstalled,
  StatusNothing,
  StatusRegistered,
  StatusNotRegistered,
  StatusBlocked,
  StatusNoExcel,
  StatusLoads,
  StatusDoesNotLoad,
  StatusSwitchedOn,
  FolderUnusable,
  ForeignFolder,
  NotOurs,
  UseAppsAndFeatures,
  NoInstallationThere,
  Interrupted,
  Count_  // the number of sentences
};

// The sentence in a language, {n} replaced by the n-th of args (UTF-8).
std::string words(Say what, Language language, std::initializer_list<std::string_view> args = {});

// The sentence as written in the table, before its blanks are filled.
std::string_view sentence(Say what, Language language);

}  // namespace korvane::install
