// What platform/files.h and platform/download.h promise, on whichever system the tests run: long
// and accented paths, special files, replacing and deleting, the program's own folder, 8-bit text
// read as UTF-8; downloads
// from the local check servers with their size cap, refused certificates and redirects, a stall
// that gives up and a cancel that is heard within a tenth of a second.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/download.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "support/check_servers.h"
#include "support/temp_folder.h"

namespace vt {
namespace {

#ifdef _WIN32
const char* const kDevice = "NUL";  // a name that is no file in every folder
const char* const kProgramSuffix = ".exe";
#else
const char* const kDevice = "/dev/null";
const char* const kProgramSuffix = "";
#endif

// A folder deeper than Windows' old 260-character limit, with accents on the way.
std::string DeepFolder(const std::string& base) {
  return base + "B\xC3\xBC" "cher/" + std::string(120, 'n') + "/" + std::string(120, 'm') + "/";
}

TEST(Files, LongAccentedPathsAreWrittenReadReplacedAndDeleted) {
  vt_test::TempFolder temp;
  const std::string deep = DeepFolder(temp.path());
  ASSERT_TRUE(MakeFolders(deep));
  EXPECT_TRUE(FolderIsWritable(deep));
  const std::string file = deep + "\xC3\xA9t\xC3\xA9.txt";
  std::string bytes, read;
  for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7);
  ASSERT_TRUE(WriteFileDurably(file, bytes));
  EXPECT_TRUE(ReadWholeFile(file, read) && read == bytes);
  EXPECT_TRUE(ReadWholeFile(deep + "../" + std::string(120, 'm') + "/./\xC3\xA9t\xC3\xA9.txt", read) && read == bytes);

  ASSERT_TRUE(WriteFileDurably(temp / "new", "new"));
  EXPECT_TRUE(RenameFile(temp / "new", file) && ReadWholeFile(file, read) && read == "new");
  EXPECT_TRUE(WriteFileDurably(file, "second") && ReadWholeFile(file, read) && read == "second");
  EXPECT_TRUE(ReplaceFileDurably(file, "replaced", ".new") && ReadWholeFile(file, read) && read == "replaced");
  EXPECT_EQ(KindOfEntry(file + ".new"), EntryKind::None);
  EXPECT_EQ(FinalLinkTarget(file), file);
  EXPECT_TRUE(DeleteFile(file));
  EXPECT_FALSE(DeleteFile(file));
  EXPECT_FALSE(IsRegularFile(file));
}

TEST(Files, FoldersDevicesAndMissingFoldersAreNoFiles) {
  vt_test::TempFolder temp;
  std::string read;
  EXPECT_FALSE(IsRegularFile(temp.path()));
  EXPECT_FALSE(ReadWholeFile(temp.path(), read));
  EXPECT_FALSE(WriteFileDurably(temp.path(), "x"));
  EXPECT_EQ(KindOfEntry(temp.path()), EntryKind::Folder);
  EXPECT_FALSE(IsRegularFile(kDevice));
  EXPECT_FALSE(ReadWholeFile(kDevice, read));
  EXPECT_FALSE(WriteFileDurably(temp / "missing/x", "x"));
}

TEST(Files, TheProgramKnowsItsOwnFolderAndName) {
  const std::string program = ProgramFolder() + ProgramBaseName() + kProgramSuffix;
  EXPECT_EQ(ProgramBaseName(), "vellumtide_tests");
  EXPECT_TRUE(IsRegularFile(program)) << program;
  vt_test::TempFolder temp;
  SetProgramFolderForTesting(temp.path());
  EXPECT_EQ(ProgramFolder(), temp.path());
  SetProgramFolderForTesting("");
  EXPECT_EQ(ProgramFolder() + ProgramBaseName() + kProgramSuffix, program);
  const std::string config = UserConfigFolder();
  EXPECT_GT(config.size(), 12u);
  EXPECT_EQ(config.back(), '/');
}

TEST(FileText, EightBitTextBecomesUtf8AndCutsKeepCharactersWhole) {
  const struct {
    std::string bytes, utf8;
  } cases[] = {
      {"plain", "plain"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},                                  // valid UTF-8 is kept
      {"caf\xE9 \x93q\x94", "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D"},  // else Windows-1252
      {"\x80\x81", "\xE2\x82\xAC\xEF\xBF\xBD"},                         // a byte 1252 leaves undefined
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},                 // an encoded surrogate is no UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(BytesToUtf8(c.bytes), c.utf8) << c.bytes;
  EXPECT_EQ(CutToUtf16Units("ab\xF0\x9F\x98\x80" "c", 3), "ab");  // never half a pair
  EXPECT_EQ(CutToUtf16Units("ab\xF0\x9F\x98\x80", 4), "ab\xF0\x9F\x98\x80");
  EXPECT_EQ(LowerCase("AZ\xC3\x80\xC3\x97\xC3\x9E"), "az\xC3\xA0\xC3\x97\xC3\xBE");
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Servers().plain.empty()) GTEST_SKIP() << "no local check server";
    limits.maxBytes = 1 << 20;
  }
  static const vt_test::CheckServers& Servers() { return vt_test::TheCheckServers(); }
  DownloadLimits limits;
  std::string body;
};

TEST_F(Download, ALocalBodyComesWholeUnderItsCapAndNotOver) {
  EXPECT_TRUE(DownloadToMemory(Servers().plain + "/body", limits, body));
  EXPECT_EQ(body.size(), 100000u);
  limits.maxBytes = 99999;
  EXPECT_FALSE(DownloadToMemory(Servers().plain + "/body", limits, body));
  EXPECT_TRUE(body.empty());
  limits.maxBytes = 1 << 20;
  EXPECT_FALSE(DownloadToMemory(Servers().plain + "/missing", limits, body));
  EXPECT_FALSE(DownloadToMemory(Servers().plain + "/downgrade/body", limits, body)) << "plain http is never redirected";
  EXPECT_FALSE(DownloadToMemory("http://example.com/x", limits, body)) << "plain http to the network";
}

TEST_F(Download, ASelfSignedCertificateIsRefused) {
  if (Servers().selfSigned.empty()) GTEST_SKIP() << "no https check server";
  EXPECT_FALSE(DownloadToMemory(Servers().selfSigned + "/body", limits, body));
  EXPECT_FALSE(DownloadToMemory("https://localhost:1/body", limits, body));
}

TEST_F(Download, AStallGivesUpAndACancelIsHeard) {
  using Clock = std::chrono::steady_clock;
  DownloadLimits quick = limits;
  quick.slowWindowSeconds = 1;
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(DownloadToMemory(Servers().plain + "/stall/body", quick, body));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));

  std::atomic<bool> cancel{false};
  Clock::time_point cancelledAt;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancelledAt = Clock::now();
    cancel = true;
  });
  EXPECT_FALSE(DownloadToMemory(Servers().plain + "/stall/body", limits, body, &cancel));
  const Clock::time_point returnedAt = Clock::now();
  canceller.join();  // cancelledAt is the canceller's until then
  // Heard, not waited out: the stall window is 30 s. How soon, the download benchmark measures.
  EXPECT_LT(returnedAt - cancelledAt, std::chrono::seconds(5));
}

}  // namespace
}  // namespace vt
