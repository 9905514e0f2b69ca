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
// Run as a second program by the test below: holds the file KORVANE_HOLD
// names open, as Excel holds a workbook, until that program is done with it.
TEST(ReplacedFileHolder, HoldsTheFileOpen) {
  wchar_t path[1024];
  if (!GetEnvironmentVariableW(L"KORVANE_HOLD", path, 1024)) GTEST_SKIP() << "a helper";
  const HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::ofstream(fs::path(std::wstring(path) + L".held")) << "held";
  for (int i = 0; i < 3000 && fs::exists(fs::path(std::wstring(path) + L".held")); ++i) Sleep(10);
  CloseHandle(h);
}

TEST_F(ReplacedFileTest, AFileHeldOpenByAnotherProgramIsLeftAsItWas) {
  const fs::path out = dir_ / "held.csv", held = dir_ / "held.csv.held";
  std::ofstream(out, std::ios::binary) << "old";
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=ReplacedFileHolder.*";
  SetEnvironmentVariableW(L"KORVANE_HOLD", out.wstring().c_str());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &pi));
  SetEnvironmentVariableW(L"KORVANE_HOLD", nullptr);
  for (int i = 0; i < 3000 && !fs::exists(held); ++i) Sleep(10);
  {
    ReplacedFile file(out.string());
    ASSERT_TRUE(file.open()) << file.error();
    file.stream() << "new";
    EXPECT_FALSE(file.commit());
    EXPECT_NE(file.error().find("another program"), std::string::npos) << file.error();
  }
  EXPECT_EQ(contents(out), "old");
  fs::remove(held);  // the holder lets go
  WaitForSingleObject(pi.hProcess, 30000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(files(), 1u);
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);  // as a bookkeeper names it, in the folder at hand
  ReplacedFile again("held.csv");
  ASSERT_TRUE(again.open());
  again.stream() << "new";
  EXPECT_TRUE(again.commit()) << again.error();
  fs::current_path(cwd);
  EXPECT_EQ(contents(out), "new");
}
#endif

}  // namespace
}  // namespace korvane::cli
