// Which folders install and uninstall may change: a usable path, and a
// folder that is empty or ours. A tools folder or the root of a drive is
// never taken for an installation.
#include "install/folder_rule.h"

#include <gtest/gtest.h>

namespace korvane::install {
namespace {

TEST(InstallFolderRule, PathsAUserOrADeploymentToolMayGive) {
  const struct {
    std::u16string_view path;
    FolderKind kind;
  } rows[] = {
      {u"C:\\Program Files\\Korvane", FolderKind::Usable},
      {u"C:\\Tools & Data (x86)\\Korvane", FolderKind::Usable},
      {u"d:/Korvane/", FolderKind::Usable},
      {u"C:\\用户\\记账\\Korvane", FolderKind::Usable},
      {u"\\\\server\\share\\Korvane", FolderKind::Usable},
      {u"\\\\?\\C:\\Korvane", FolderKind::Usable},
      {u"C:\\", FolderKind::DriveRoot},
      {u"C:/", FolderKind::DriveRoot},
      {u"C:\\\\", FolderKind::DriveRoot},
      {u"\\\\server\\share", FolderKind::DriveRoot},
      {u"\\\\server\\share\\", FolderKind::DriveRoot},
      {u"\\\\?\\C:\\", FolderKind::DriveRoot},
      {u"Korvane", FolderKind::Relative},
      {u".\\Korvane", FolderKind::Relative},
      {u"\\Korvane", FolderKind::Relative},
      {u"C:Korvane", FolderKind::Relative},
      {u"C:", FolderKind::Relative},
      {u"", FolderKind::Relative},
      {u"\"C:\\Program Files\\Korvane\"", FolderKind::Relative},
      {u"C:\\Korvane\\..", FolderKind::Relative},
      {u"C:\\a\\..\\..\\Windows", FolderKind::Relative},
  };
  for (const auto& row : rows)
    EXPECT_EQ(path_kind(row.path), row.kind) << std::string(row.path.begin(), row.path.end());
}

TEST(InstallFolderRule, OnlyAnEmptyFolderOrOursIsUsed) {
  const std::u16string_view path = u"C:\\Tools";
  const struct {
    const char* what;
    FolderFacts facts;
    FolderKind kind;
  } rows[] = {
      {"missing or empty", {true, false, false, false}, FolderKind::Usable},
      {"our record", {false, true, false, false}, FolderKind::Usable},
      {"a killed run's journal", {false, false, true, false}, FolderKind::Usable},
      {"an older release the registry names", {false, false, false, true}, FolderKind::Usable},
      {"someone else's files (a tools folder)", {false, false, false, false}, FolderKind::Foreign},
  };
  for (const auto& row : rows) EXPECT_EQ(judge_folder(path, row.facts), row.kind) << row.what;
  EXPECT_EQ(judge_folder(u"C:\\", {true, true, true, true}), FolderKind::DriveRoot);
}

}  // namespace
}  // namespace korvane::install
