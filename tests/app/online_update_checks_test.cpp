// The checks that stand between a download and the program folder: which addresses may be
// fetched, what a digest file must hold, and what counts as a program for this machine.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "app/online_update.h"
#include "platform/download.h"
#include "platform/files.h"

namespace vt {
namespace {

TEST(UpdateAddressRules, HttpsAnywhereButPlainHttpOnlyToThisMachine) {
  struct {
    const char* url;
    bool safe;
  } cases[] = {
      {"https://vellumtide.app/download/vellumtide", true},
      {"HTTPS://Example.com/vellumtide", true},
      {"http://127.0.0.1:8000/vellumtide", true},
      {"http://127.45.6.7/vellumtide", true},
      {"http://localhost/vellumtide", true},
      {"http://LocalHost:81/vellumtide", true},
      {"http://[::1]:8080/vellumtide", true},
      {"http://vellumtide.app/vellumtide", false},
      {"http://128.0.0.1/vellumtide", false},
      {"http://10.0.0.1/vellumtide", false},
      {"http://127.0.0.1.example.com/vellumtide", false},
      {"http://localhost.example.com/vellumtide", false},
      {"http://[::2]/vellumtide", false},
      {"http://127.0.0.1@example.com/vellumtide", false},
      {"ftp://127.0.0.1/vellumtide", false},
      {"file:///usr/bin/vellumtide", false},
      {"vellumtide.app/vellumtide", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSafeDownloadAddress(c.url), c.safe) << c.url;
}

TEST(UpdateAddressRules, EnvironmentReplacesTheFixedAddress) {
  unsetenv("VELLUMTIDE_UPDATE_URL");
  std::string fixed = UpdateAddressInUse();
  EXPECT_EQ(fixed, UpdateAddress);
  EXPECT_EQ(fixed.rfind("https://", 0), 0u);
  EXPECT_TRUE(fixed.ends_with("/vellumtide") || fixed.ends_with("/vellumtide.exe"));  // the program of this system
  setenv("VELLUMTIDE_UPDATE_URL", "http://127.0.0.1:9/vellumtide", 1);
  EXPECT_EQ(UpdateAddressInUse(), "http://127.0.0.1:9/vellumtide");
  unsetenv("VELLUMTIDE_UPDATE_URL");
}

TEST(PublishedDigest, TakesTheFirstWordWhenItIsASha256) {
  const std::string hex = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
  const std::string lower = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  struct {
    std::string text, digest;
  } cases[] = {
      {lower, lower},
      {hex + "\n", lower},
      {"  " + lower + "  vellumtide\n", lower},
      {lower + "\tvellumtide", lower},
      {lower.substr(1), ""},
      {lower + "0", ""},
      {"g" + lower.substr(1), ""},
      {"vellumtide " + lower, ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PublishedDigest(c.text), c.digest) << c.text;
  EXPECT_EQ(Sha256Hex(""), lower);
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// Where a program's header tells what it is: its length, the bytes that name the format, word size
// and machine, and a copy made into a library or object file.
struct ProgramHeader {
  size_t length;
  std::vector<std::pair<size_t, const char*>> tellingBytes;
  std::string notAProgram;
};

ProgramHeader HeaderOf(const std::string& program) {
#ifdef _WIN32
  uint32_t pe = 0;  // where the PE header starts
  std::memcpy(&pe, program.data() + 0x3C, sizeof pe);
  const size_t optionalHeader = pe + 24;
  std::string library = program;
  library[pe + 23] |= 0x20;  // the file header's DLL flag
  return {optionalHeader + 240, {{1, "magic"}, {pe, "PE signature"}, {pe + 4, "machine type"},
                                 {optionalHeader, "32/64-bit kind"}}, library};
#else
  std::string object = program;
  uint16_t relocatable = 1;  // an object file, not a program
  std::memcpy(object.data() + 16, &relocatable, sizeof relocatable);
  return {64, {{1, "magic"}, {4, "32/64-bit class"}, {5, "byte order"}, {18, "machine type"}}, object};
#endif
}

TEST(ExecutableCheck, AcceptsOnlyAProgramForThisMachine) {
  std::string program;
  ASSERT_TRUE(ReadWholeFile(UPDATE_MARKER_PROGRAM, program));
  ASSERT_GT(program.size(), 1024u);
  const ProgramHeader header = HeaderOf(program);
  EXPECT_TRUE(IsExecutableForThisMachine(program));
  EXPECT_TRUE(IsExecutableForThisMachine(program.substr(0, header.length)));
  EXPECT_FALSE(IsExecutableForThisMachine(program.substr(0, header.length - 44)));
  for (const auto& [offset, what] : header.tellingBytes) {
    std::string copy = program;
    copy[offset] ^= 0x01;
    EXPECT_FALSE(IsExecutableForThisMachine(copy)) << what;
  }
  EXPECT_FALSE(IsExecutableForThisMachine(header.notAProgram));
  EXPECT_FALSE(IsExecutableForThisMachine("#!/bin/sh\nexec true\n"));
  EXPECT_FALSE(IsExecutableForThisMachine(""));
}

}  // namespace
}  // namespace vt
