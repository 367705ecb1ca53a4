// The settings file on a POSIX file system: a file beside the program that this user may not read
// or write, or that is a FIFO, is never replaced, a replaced file keeps its permissions, whatever
// sits at a temporary name is never opened, and a settings file that is a link stays one.
#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/files.h"
#include "reader/own_books.h"
#include "support/temp_folder.h"

using namespace vt;
using vt_test::ReadFile;
using vt_test::WriteFile;

namespace {

class SettingsFilePosix : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsLocationForTesting(folder.path(), folder / "config/");
    ResetProgramState();
  }
  void TearDown() override { SetSettingsLocationForTesting("", ""); }
  void WriteSettings(const std::string& text) { WriteFile(SettingsPath(), text); }
  vt_test::TempFolder folder;
};

// A settings file beside the program that this user may not read or write, or that is no plain
// file at all, is never replaced: the settings go to the config folder, and the reader is told.
TEST_F(SettingsFilePosix, AProtectedFileBesideTheProgramIsNeverReplaced) {
  const std::string besideProgram = SettingsPath();
  const std::string inConfig = folder / "config/" + ProgramBaseName() + ".ini";
  namespace fs = std::filesystem;
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  struct Case {
    const char* name;
    fs::perms mode;     // a file with these permissions; none: a FIFO
    int32_t fontSize;   // what loading gives
  } cases[] = {{"read-only", readOnly, 40}, {"unreadable", fs::perms::owner_write, 0}, {"FIFO", fs::perms::none, 64}};
  for (const Case& c : cases) {
    fs::remove(besideProgram);
    fs::remove(inConfig);
    if (c.mode == fs::perms::none) {
      ASSERT_EQ(mkfifo(besideProgram.c_str(), 0644), 0);
    } else {
      WriteFile(besideProgram, "[All]\r\nFontSize=40\r\n");
      fs::permissions(besideProgram, c.mode);
    }
    PersistSettings("get");  // a FIFO never blocks the load
    if (c.fontSize) {
      EXPECT_EQ(FontSize, c.fontSize) << c.name;
    }
    EXPECT_EQ(SettingsPath(), inConfig) << c.name;
    EXPECT_EQ(ProtectedSettingsFallbackFolder(), folder / "config/") << c.name;
    FontSize = 77;
    PersistSettings("save");
    EXPECT_NE(ReadFile(inConfig).find("FontSize= 77"), std::string::npos) << c.name;
    if (c.mode != fs::perms::none) {
      EXPECT_EQ(fs::status(besideProgram).permissions(), c.mode) << c.name;
      fs::permissions(besideProgram, fs::perms::owner_all);
      EXPECT_EQ(ReadFile(besideProgram), "[All]\r\nFontSize=40\r\n") << c.name;
    }
    EXPECT_EQ(fs::status(besideProgram).type(), c.mode == fs::perms::none ? fs::file_type::fifo : fs::file_type::regular);
  }
  fs::remove(besideProgram);
  PersistSettings("get");
  EXPECT_EQ(ProtectedSettingsFallbackFolder(), "");
}

TEST_F(SettingsFilePosix, AReplacedFileKeepsItsPermissions) {
  namespace fs = std::filesystem;
  WriteSettings("[All]\r\n");
  fs::permissions(SettingsPath(), fs::perms::owner_read | fs::perms::owner_write);
  PersistSettings("save");
  EXPECT_EQ(fs::status(SettingsPath()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// A FIFO at a temporary name would block the save's open for ever, and a link there would send the
// bytes elsewhere: each is replaced, never opened, and the save goes through.
TEST_F(SettingsFilePosix, WhatSitsAtATemporaryNameIsNeverOpened) {
  namespace fs = std::filesystem;
  const std::string victim = folder / "victim";
  struct Case {
    const char* name;
    std::string temporary;
    void (*plant)(const std::string& at, const std::string& victim);
  } cases[] = {
      {"FIFO at the settings'", SettingsPath() + ".new", [](auto& at, auto&) { ASSERT_EQ(mkfifo(at.c_str(), 0644), 0); }},
      {"link at the settings'", SettingsPath() + ".new", [](auto& at, auto& v) { fs::create_symlink(v, at); }},
      {"FIFO at the positions'", BookPositionsPath() + ".tmp", [](auto& at, auto&) { ASSERT_EQ(mkfifo(at.c_str(), 0644), 0); }},
      {"link at the positions'", BookPositionsPath() + ".tmp", [](auto& at, auto& v) { fs::create_symlink(v, at); }},
  };
  for (const Case& c : cases) {
    WriteFile(victim, "untouched");
    c.plant(c.temporary, victim);
    FontSize = 51;
    UserBookFile = folder / "book.txt";
    PersistSettings("save");
    SaveBookPositions();
    EXPECT_NE(ReadFile(SettingsPath()).find("FontSize= 51"), std::string::npos) << c.name;
    EXPECT_NE(ReadFile(BookPositionsPath()).find("book.txt"), std::string::npos) << c.name;
    EXPECT_FALSE(fs::exists(fs::symlink_status(c.temporary))) << c.name;
    EXPECT_EQ(ReadFile(victim), "untouched") << c.name;
  }
}

// Dotfiles kept in a repository are links into it: the save writes through to the file linked to,
// beside it, and the link stays.
TEST_F(SettingsFilePosix, ASettingsFileThatIsALinkIsWrittenThrough) {
  namespace fs = std::filesystem;
  fs::create_directory(folder / "repo");
  WriteFile(folder / "repo/vt.ini", "[All]\r\nFontSize=40\r\n");
  fs::create_symlink("repo/vt.ini", SettingsPath());
  PersistSettings("get");
  EXPECT_EQ(FontSize, 40);
  FontSize = 52;
  PersistSettings("save");
  EXPECT_TRUE(fs::is_symlink(SettingsPath()));
  EXPECT_NE(ReadFile(folder / "repo/vt.ini").find("FontSize= 52"), std::string::npos);
}

}  // namespace
