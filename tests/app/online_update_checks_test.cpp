// The checks that stand between a download and the program folder: which addresses may be
// fetched, what a digest file must hold, and what counts as a program for this machine.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

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
  EXPECT_TRUE(fixed.ends_with("/vellumtide"));
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

TEST(ExecutableCheck, AcceptsOnlyAProgramForThisMachine) {
  std::string program;
  ASSERT_TRUE(ReadWholeFile(UPDATE_MARKER_PROGRAM, program));
  EXPECT_TRUE(IsExecutableForThisMachine(program));
  EXPECT_TRUE(IsExecutableForThisMachine(program.substr(0, 64)));

  auto changed = [&](size_t offset) {
    std::string copy = program;
    copy[offset] ^= 0x01;
    return copy;
  };
  EXPECT_FALSE(IsExecutableForThisMachine(changed(1))) << "magic";
  EXPECT_FALSE(IsExecutableForThisMachine(changed(4))) << "32/64-bit class";
  EXPECT_FALSE(IsExecutableForThisMachine(changed(5))) << "byte order";
  EXPECT_FALSE(IsExecutableForThisMachine(changed(18))) << "machine type";
  std::string object = program;
  uint16_t relocatable = 1;  // an object file, not a program
  std::memcpy(object.data() + 16, &relocatable, sizeof relocatable);
  EXPECT_FALSE(IsExecutableForThisMachine(object));
  EXPECT_FALSE(IsExecutableForThisMachine(program.substr(0, 20)));
  EXPECT_FALSE(IsExecutableForThisMachine("#!/bin/sh\nexec true\n"));
  EXPECT_FALSE(IsExecutableForThisMachine(""));
}

}  // namespace
}  // namespace vt
