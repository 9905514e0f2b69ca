// The settled book's file is replaced whole or not at all: what is in the
// folder afterwards, for each way a run can end.
#include "cli/replaced_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace korvane::cli {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> contents(const fs::path& p) {
  if (!fs::exists(p)) return std::nullopt;
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ReplacedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("korvane-replaced-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  // Only the file itself is left in the folder: no new file behind.
  std::size_t files() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  fs::path dir_;
};

enum class End { Commit, Drop, WriteFails };

TEST_F(ReplacedFileTest, TheFileIsTheOldOrTheWholeNewOne) {
  struct Row {
    const char* what;
    std::optional<std::string> before;
    End end;
    std::optional<std::string> after;
  };
  const std::string big(200000, 'x');
  const Row rows[] = {
      {"replaced when committed", "old", End::Commit, big},
      {"made when absent and committed", std::nullopt, End::Commit, big},
      {"kept when dropped half way", "old", End::Drop, "old"},
      {"absent stays absent when dropped", std::nullopt, End::Drop, std::nullopt},
#ifndef _WIN32
      {"kept when the size limit stops a write", "old", End::WriteFails, "old"},
#endif
  };
  for (const Row& row : rows) {
    const fs::path out = dir_ / "settled.csv";
    fs::remove(out);
    if (row.before) std::ofstream(out, std::ios::binary) << *row.before;
    {
      ReplacedFile file(out.string());
      ASSERT_TRUE(file.open()) << file.error();
      if (row.end == End::WriteFails) {
#ifndef _WIN32
        struct rlimit old {
        }, small{};
        getrlimit(RLIMIT_FSIZE, &old);
        small = old;
        small.rlim_cur = 4096;
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        file.stream() << big;
        EXPECT_FALSE(file.commit()) << row.what;
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_NE(file.error().find("left as it was"), std::string::npos) << file.error();
#endif
      } else {
        file.stream() << big;
        EXPECT_EQ(contents(out), row.before) << row.what << ": changed before the commit";
        if (row.end == End::Commit) {
          EXPECT_TRUE(file.commit()) << file.error();
        }
      }
    }
    EXPECT_EQ(contents(out), row.after) << row.what;
    EXPECT_EQ(files(), row.after ? 1u : 0u) << row.what << ": a new file was left behind";
  }
}

TEST_F(ReplacedFileTest, TwoWritersAtOnceLeaveOneWholeFile) {
  const fs::path out = dir_ / "out.csv";
  ReplacedFile a(out.string()), b(out.string());
  ASSERT_TRUE(a.open() && b.open());
  a.stream() << std::string(100000, 'a');
  b.stream() << std::string(150000, 'b');
  ASSERT_TRUE(a.commit() && b.commit());
  EXPECT_EQ(contents(out), std::string(150000, 'b'));
  EXPECT_EQ(files(), 1u);
}

TEST_F(ReplacedFileTest, WhatCannotBeWrittenIsSaidAndLeftAlone) {
  const fs::path missing = dir_ / "no such folder" / "out.csv";
  ReplacedFile file(missing.string());
  EXPECT_FALSE(file.open());
  EXPECT_NE(file.error().find(missing.string()), std::string::npos) << file.error();
  ReplacedFile folder(dir_.string());
  EXPECT_FALSE(folder.open());
  EXPECT_EQ(files(), 0u);
}

#ifndef _WIN32
TEST_F(ReplacedFileTest, KeepsPermissionsLinksAndDevices) {
  const fs::path out = dir_ / "out.csv", link = dir_ / "link.csv";
  std::ofstream(out) << "old";
  ::chmod(out.c_str(), 0640);
  fs::create_symlink(out.filename(), link);
  ReplacedFile through_link(link.string());
  ASSERT_TRUE(through_link.open());
  through_link.stream() << "new";
  ASSERT_TRUE(through_link.commit()) << through_link.error();
  struct stat st {};
  ::stat(out.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(contents(out), "new");

  ReplacedFile device("/dev/null");
  ASSERT_TRUE(device.open());
  device.stream() << "new";
  EXPECT_TRUE(device.commit());
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}
#else
TEST_F(ReplacedFileTest, AFileHeldOpenWithoutSharingIsLeftAsItWas) {
  struct Row {
    DWORD share;
    bool replaced;
  };
  const Row rows[] = {{FILE_SHARE_READ | FILE_SHARE_WRITE, false},
                      {FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true}};
  for (const Row& row : rows) {
    const fs::path out = dir_ / "held.csv";
    std::ofstream(out, std::ios::binary) << "old";
    const HANDLE held = CreateFileW(out.wstring().c_str(), GENERIC_READ, row.share, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ReplacedFile file(out.string());
    ASSERT_TRUE(file.open()) << file.error();
    file.stream() << "new";
    EXPECT_EQ(file.commit(), row.replaced) << file.error();
    CloseHandle(held);
    EXPECT_EQ(contents(out), row.replaced ? "new" : "old");
    EXPECT_EQ(files(), 1u);
  }
}
#endif

}  // namespace
}  // namespace korvane::cli
