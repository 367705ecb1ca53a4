// Which copies of the reader count as installed, and what that changes for their settings.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/installation.h"
#include "core/settings_file.h"
#include "platform/files.h"
#include "platform/installation.h"
#include "support/temp_folder.h"

using namespace vt;

namespace {

TEST(Installation, APackageManagerFolderOrTheInstallersMarkerMakesACopyInstalled) {
  vt_test::TempFolder folder;
  std::filesystem::create_directory(folder / "marker-is-a-folder");
  std::filesystem::create_directory(folder / "marker-is-a-folder/reader.installed");
  vt_test::WriteFile(folder / "reader.installed", "");
  struct Case {
    std::string programFolder, baseName;
    Installation expected;
  } cases[] = {
      {folder.path(), "reader", Installation::Installer},
      {folder.path(), "other", Installation::OwnCopy},  // the marker names the program it goes with
      {folder / "marker-is-a-folder/", "reader", Installation::OwnCopy},
      {"/usr/bin/x/", "reader", Installation::OwnCopy},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InstallationOf(c.programFolder, c.baseName), c.expected) << c.programFolder << c.baseName;
  for (const std::string& system : PackageManagerProgramFolders())
    EXPECT_EQ(InstallationOf(system, "reader"), Installation::PackageManager) << system;
  EXPECT_TRUE(UpdatesComeFromNotices(Installation::OwnCopy).empty());
  // Each notice fits the bar on a 1280 px wide screen: 15 of its letters do ("package manager").
  for (Installation installed : {Installation::PackageManager, Installation::Installer}) {
    EXPECT_FALSE(UpdatesComeFromNotices(installed).empty());
    for (const std::string& notice : UpdatesComeFromNotices(installed)) EXPECT_LE(notice.size(), 15u) << notice;
  }
}

// An installed copy keeps its settings in the config folder even where its own folder may be
// written (an installer's folder in the user's profile, or root's /usr/bin), and says nothing
// about it: that is where an installed program's settings belong. A file beside it (an
// administrator's) is a first start's values, and is never written.
TEST(Installation, AnInstalledCopysSettingsGoToTheConfigFolderWithoutANotice) {
  vt_test::TempFolder folder;
  SetSettingsLocationForTesting(folder.path(), folder / "config/");
  vt_test::WriteFile(folder / (ProgramBaseName() + ".installed"), "");
  vt_test::WriteFile(folder / (ProgramBaseName() + ".ini"), "[All]\r\nFontSize=40\r\n");
  std::filesystem::permissions(folder / (ProgramBaseName() + ".ini"), std::filesystem::perms::owner_read);
  ResetSettingsToDefaults();
  PersistSettings("get");
  EXPECT_EQ(SettingsPath(), folder / "config/" + ProgramBaseName() + ".ini");
  EXPECT_EQ(FontSize, 40);
  EXPECT_EQ(ProtectedSettingsFallbackFolder(), "");
  FontSize = 50;
  PersistSettings("save");
  EXPECT_NE(vt_test::ReadFile(SettingsPath()).find("FontSize= 50"), std::string::npos);
  EXPECT_EQ(vt_test::ReadFile(folder / (ProgramBaseName() + ".ini")), "[All]\r\nFontSize=40\r\n");
  SetSettingsLocationForTesting("", "");
}

}  // namespace
