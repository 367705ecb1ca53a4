// The Update command against a real web server on 127.0.0.1, with a real small program as the new
// release: the swap, the restart, and every way a download can fail or be rejected.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "platform/testing.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/online_update.h"
#include "app/online_update_server.h"
#include "core/bar_messages.h"
#include "core/installation.h"
#include "platform/download.h"
#include "platform/files.h"
#include "platform/window.h"
#include "core/settings_file.h"

namespace vt {
namespace {

using test::LocalServer;
using vt_test::ReadFile;
using vt_test::TempFolder;

// A file's digest, so that a failed comparison prints a line rather than a whole program; "" when missing.
std::string Fingerprint(const std::string& path) {
  std::string bytes;
  return ReadWholeFile(path, bytes) ? Sha256Hex(bytes) : std::string();
}

// Every file of a folder by name, with its digest.
std::map<std::string, std::string> FolderContents(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = Fingerprint(entry.path().string());
  return files;
}

// Waits up to 10 s for the marker a started update_marker leaves; returns its text ("" if none came).
std::string WaitForMarker(const std::string& folder) {
  for (int i = 0; i < 1000 && !IsRegularFile(folder + "started.marker"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ReadFile(folder + "started.marker");
}

// An ELF program this machine runs, with bytes appended so each release differs.
std::string Release(const std::string& tag) { return ReadFile(UPDATE_MARKER_PROGRAM) + "\nrelease " + tag; }

// Once the download is over: the window ends by itself after an update, else the test ends it.
void EndUnlessUpdated() {
  if (UpdateInProgress()) return RunLater(10, EndUnlessUpdated);
  if (!RestartAfterUpdate) EndMainWindow();
}

// Runs the Update command and lets the window's events run until its download is over.
void RunUpdate() {
  OnlineUpdate();
  while (UpdateInProgress()) {
    ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// The user presses U once the window is up. When that does not end in an update the window is
// closed anyway, so the test reports the failure instead of waiting forever.
void PressUpdateWhenShown() {
  QWidget* window = QApplication::activeWindow();
  if (!IsWindow(MainWindow) || !window) {
    RunLater(10, PressUpdateWhenShown);
    return;
  }
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_U);
  RunLater(0, EndUnlessUpdated);
}

class OnlineUpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    UserBarDelay = 0;
    sBeepOn = 0;
    SetProgramFolderForTesting(folder);
    ASSERT_TRUE(WriteFileDurably(folder + "vellumtide", oldProgram));
    MakeExecutable(folder + "vellumtide");
    server = std::make_unique<LocalServer>(served);
    ASSERT_TRUE(server->Running());
    UseAddress(server->Url("vellumtide"));
  }

  void TearDown() override {
    ProcessPendingEvents();
    ResetProgramState();
    SetUpdateLimitsForTesting(nullptr);
    SetUpdateRenameForTesting(nullptr);
    SetProgramFolderForTesting("");
    unsetenv("VELLUMTIDE_UPDATE_URL");
    server.reset();
  }

  void UseAddress(const std::string& address) { setenv("VELLUMTIDE_UPDATE_URL", address.c_str(), 1); }

  // Puts a program and its digest file on the server.
  void Publish(const std::string& program, const std::string& digestFile) {
    ASSERT_TRUE(WriteFileDurably(served + "vellumtide", program));
    ASSERT_TRUE(WriteFileDurably(served + "vellumtide.sha256", digestFile));
  }
  void Publish(const std::string& program) { Publish(program, Sha256Hex(program) + "  vellumtide\n"); }

  // The whole program as the user runs it, with U pressed: start-up, the loop, the restart.
  void RunProgramAndPressUpdate() {
    WriteFileDurably(SettingsPath(), "[All]\r\nUserBarDelay=0\r\nsBeepOn=0\r\nDisableShortCuts=0\r\n");
    RunLater(0, PressUpdateWhenShown);
    EXPECT_EQ(EntryRoutine(), 0);
  }

  const std::string oldProgram = Release("old");
  TempFolder programFolder, servedFolder;
  const std::string folder = programFolder.path(), served = servedFolder.path();
  std::unique_ptr<LocalServer> server;
};

TEST_F(OnlineUpdateTest, UpdateSwapsTheFilesSavesTheSettingsAndStartsTheNewProgram) {
  std::string newProgram = Release("new");
  Publish(newProgram);

  RunProgramAndPressUpdate();

  EXPECT_EQ(RestartAfterUpdate, 1);
  EXPECT_EQ(Fingerprint(folder + "vellumtide"), Sha256Hex(newProgram));
  EXPECT_EQ(access((folder + "vellumtide").c_str(), X_OK), 0);
  EXPECT_EQ(Fingerprint(folder + "vellumtide.old"), Sha256Hex(oldProgram));
  EXPECT_FALSE(IsRegularFile(folder + "vellumtide.tmp"));
  // The closing program wrote every setting, beside itself.
  EXPECT_EQ(SettingsPath().rfind(folder, 0), 0u);
  EXPECT_NE(ReadFile(SettingsPath()).find("FontSize="), std::string::npos);
  EXPECT_EQ(WaitForMarker(folder), std::filesystem::canonical(folder + "vellumtide").string());
}

TEST_F(OnlineUpdateTest, ProgramRunningUnderAnotherNameStillWritesAndStartsVellumtide) {
  // The running program is "reader"; there is no "vellumtide" to move aside.
  ASSERT_TRUE(RenameFile(folder + "vellumtide", folder + "reader"));
  std::string newProgram = Release("new");
  Publish(newProgram);

  RunProgramAndPressUpdate();

  EXPECT_EQ(Fingerprint(folder + "vellumtide"), Sha256Hex(newProgram));
  EXPECT_EQ(Fingerprint(folder + "reader"), Sha256Hex(oldProgram));
  EXPECT_FALSE(IsRegularFile(folder + "vellumtide.old"));
  EXPECT_FALSE(IsRegularFile(folder + "vellumtide.tmp"));
  EXPECT_EQ(WaitForMarker(folder), std::filesystem::canonical(folder + "vellumtide").string());
}

TEST_F(OnlineUpdateTest, SecondUpdateReplacesTheFirstOldProgram) {
  std::string first = Release("first"), second = Release("second");
  Publish(first);
  RunUpdate();
  ASSERT_EQ(Fingerprint(folder + "vellumtide.old"), Sha256Hex(oldProgram));

  Publish(second);
  RunUpdate();

  EXPECT_EQ(RestartAfterUpdate, 1);
  EXPECT_EQ(LastBarMessage(), "Updating ... ");  // stays up until the window ends
  EXPECT_EQ(Fingerprint(folder + "vellumtide"), Sha256Hex(second));
  EXPECT_EQ(Fingerprint(folder + "vellumtide.old"), Sha256Hex(first));
  EXPECT_FALSE(IsRegularFile(folder + "vellumtide.tmp"));
}

// Each case prepares the server or the address; the update must then fail and leave the folder as it was.
TEST_F(OnlineUpdateTest, RejectedOrFailedDownloadsChangeNothing) {
  std::string good = Release("new");
  std::string otherMachine = good;
  otherMachine[18] ^= 0x01;  // the header's machine type
  struct Case {
    const char* name;
    std::function<void()> prepare;
  };
  std::vector<Case> cases = {
      {"server down", [&] { UseAddress("http://127.0.0.1:1/vellumtide"); }},
      {"program missing (404)", [&] { Publish(good); DeleteFile(served + "vellumtide"); }},
      {"empty program", [&] { Publish(""); }},
      {"text instead of a program", [&] { Publish("#!/bin/sh\necho hello\n"); }},
      {"program for another machine", [&] { Publish(otherMachine); }},
      {"wrong digest", [&] { Publish(good, Sha256Hex(good + "x") + "\n"); }},
      {"digest file missing", [&] { Publish(good); DeleteFile(served + "vellumtide.sha256"); }},
      {"digest file without a digest", [&] { Publish(good, "<html>Not here</html>\n"); }},
      {"redirect to plain http", [&] { Publish(good); UseAddress(server->Url("downgrade/vellumtide")); }},
      {"server stops sending", [&] {
         Publish(good);
         UseAddress(server->Url("stall/vellumtide"));
         DownloadLimits quick;
         quick.slowWindowSeconds = 1;
         SetUpdateLimitsForTesting(&quick);
       }},
  };
  DownloadLimits quick;  // the limits shortened: a second for the window, two in all, 1 MB
  quick.slowWindowSeconds = 1;
  quick.totalSeconds = 2;
  quick.maxBytes = 1 << 20;
  quick.slowWindowBytes = 256;  // the drip (1280 bytes a second) passes this one
  DownloadLimits demanding = quick;
  demanding.slowWindowBytes = 4096;
  auto serveFrom = [&](const char* path, const DownloadLimits& limits) {
    Publish(good);
    UseAddress(server->Url(path));
    SetUpdateLimitsForTesting(&limits);
  };
  cases.push_back({"too slow in a window", [&] { serveFrom("drip/vellumtide", demanding); }});
  cases.push_back({"too long in all", [&] { serveFrom("drip/vellumtide", quick); }});
  cases.push_back({"larger than the cap", [&] { serveFrom("endless/vellumtide", quick); }});
  ASSERT_TRUE(WriteFileDurably(folder + "vellumtide.old", "the release before"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseAddress(server->Url("vellumtide"));
    c.prepare();
    auto before = FolderContents(folder);
    auto start = std::chrono::steady_clock::now();

    RunUpdate();

    // No failure may hang: the stalled server would hold on for ten minutes.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_EQ(LastBarMessage(), "Update failed!");
    EXPECT_EQ(RestartAfterUpdate, 0);
    EXPECT_EQ(FolderContents(folder), before);
  }
}

// A program the installer put in place is updated by the installer: nothing is fetched or changed.
TEST_F(OnlineUpdateTest, AnInstalledProgramIsLeftToWhatInstalledIt) {
  Publish(Release("new"));
  ASSERT_TRUE(WriteFileDurably(folder + ProgramBaseName() + ".installed", ""));
  auto before = FolderContents(folder);

  RunUpdate();

  EXPECT_EQ(LastBarMessage(), UpdatesComeFromNotices(Installation::Installer).back());
  EXPECT_EQ(RestartAfterUpdate, 0);
  EXPECT_EQ(FolderContents(folder), before);
  EXPECT_TRUE(server->Requests().empty());
}

// While the download runs the window answers; Esc cancels it and ends the program as Exit does.
TEST_F(OnlineUpdateTest, EscDuringTheDownloadEndsTheProgramAndInstallsNothing) {
  Publish(Release("new"));
  UseAddress(server->Url("stall/vellumtide"));
  auto before = FolderContents(folder);
  std::function<void()> pressEscWhileDownloading = [&] {
    if (!IsWindow(MainWindow) || !UpdateInProgress()) return RunLater(10, pressEscWhileDownloading);
    EXPECT_EQ(LastBarMessage(), "Updating ... ");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  };
  RunLater(300, pressEscWhileDownloading);
  RunProgramAndPressUpdate();  // returns once the program has ended: the stalled download did not hold it

  EXPECT_FALSE(UpdateInProgress());
  EXPECT_EQ(RestartAfterUpdate, 0);
  auto after = FolderContents(folder);
  EXPECT_EQ(after.erase(ProgramBaseName() + ".ini"), 1u);  // the settings were saved on the way out
  EXPECT_EQ(after, before);
}

TEST_F(OnlineUpdateTest, PlainHttpToAnotherHostIsRefusedWithoutConnecting) {
  Publish(Release("new"));
  // Were the address fetched at all, it would go through this proxy, which is our server.
  const char* previous = std::getenv("http_proxy");
  std::string saved = previous ? previous : "";
  setenv("http_proxy", server->Url("").c_str(), 1);
  UseAddress("http://update.example.com/vellumtide");
  auto before = FolderContents(folder);

  RunUpdate();

  previous ? setenv("http_proxy", saved.c_str(), 1) : unsetenv("http_proxy");
  EXPECT_EQ(LastBarMessage(), "Update failed!");
  EXPECT_TRUE(server->Requests().empty());
  EXPECT_EQ(FolderContents(folder), before);
}

TEST_F(OnlineUpdateTest, HttpsServerWithUntrustedCertificateIsRejected) {
  std::string certificate = served + "cert.pem", key = served + "key.pem";
  std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
                        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
                        key + " -out " + certificate + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "openssl cannot make a test certificate";
  Publish(Release("new"));
  LocalServer secure(served, certificate, key);
  ASSERT_TRUE(secure.Running());
  UseAddress(secure.Url("vellumtide"));
  auto before = FolderContents(folder);

  RunUpdate();

  EXPECT_EQ(LastBarMessage(), "Update failed!");
  EXPECT_EQ(FolderContents(folder), before);
}

bool FailRenamingTheNewProgram(const std::string& from, const std::string& to) {
  return from.ends_with(".tmp") ? false : RenameFile(from, to);
}
bool FailMovingTheOldProgramAside(const std::string& from, const std::string& to) {
  return to.ends_with(".old") ? false : RenameFile(from, to);
}

TEST_F(OnlineUpdateTest, FailedSwapLeavesTheOldProgramInPlace) {
  for (auto rename : {FailRenamingTheNewProgram, FailMovingTheOldProgramAside}) {
    Publish(Release("new"));
    SetUpdateRenameForTesting(rename);

    RunUpdate();

    EXPECT_EQ(LastBarMessage(), "Update failed!");
    EXPECT_EQ(RestartAfterUpdate, 0);
    EXPECT_EQ(FolderContents(folder), (std::map<std::string, std::string>{{"vellumtide", Sha256Hex(oldProgram)}}));
  }
}

}  // namespace
}  // namespace vt
