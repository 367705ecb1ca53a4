// Checks of the Win32 services (files, download checks, digest, speech without a voice, the click)
// as a plain Windows console program, run under Wine by run_service_checks.sh. It stands in for
// the window's RunLater with a queue of its own and pumps the thread's messages as the main
// window's loop does. Given the addresses of a plain and a self-signed https check_server.py it also downloads from them.
// Exit status: the number of failed checks.
#include "platform/download.h"
#include "platform/files.h"  // before windows.h, whose DeleteFile macro would rename the program's own
#include "platform/sound.h"
#include "platform/speech_engine.h"
#include "platform/testing.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <thread>

#include "platform/win32/wide_text.h"

#undef DeleteFile

namespace vt {

static std::deque<std::function<void()>> later;  // the stand-in for the window's timer queue

void RunLater(int, std::function<void()> callback) { later.push_back(std::move(callback)); }

}  // namespace vt

namespace {

int failures = 0;

void Check(bool ok, const char* what, const std::string& detail = "") {
  if (!ok) ++failures;
  std::printf("%s %s %s\n", ok ? "ok  " : "FAIL", what, detail.c_str());
}

// What the main window's loop does between commands: SAPI's messages, then the timer queue.
void PumpEvents() {
  for (int round = 0; round < 20; ++round) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    while (!vt::later.empty()) {
      auto callback = std::move(vt::later.front());
      vt::later.pop_front();
      callback();
    }
    Sleep(10);
  }
}

std::string TemporaryFolder() {
  wchar_t base[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, base);
  std::string folder = vt::WideToUtf8(base, length);
  for (char& c : folder)
    if (c == '\\') c = '/';
  return folder + "vellumtide-checks-" + std::to_string(GetCurrentProcessId()) + "/";
}

void CheckFiles() {
  using namespace vt;
  std::string folder = TemporaryFolder();
  std::string deep = folder + "B\xC3\xBC" "cher/" + std::string(120, 'n') + "/" + std::string(120, 'm') + "/";
  Check(MakeFolders(deep) && FolderIsWritable(deep), "long folder with an accent made and writable");
  std::string file = deep + "\xC3\xA9t\xC3\xA9.txt", bytes, read;
  for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7);
  Check(WriteFileDurably(file, bytes) && ReadWholeFile(file, read) && read == bytes, "long path written and read back");
  Check(IsRegularFile(file) && !IsRegularFile(deep) && !ReadWholeFile(deep, read), "a folder is no regular file");
  std::string dotted = deep + "../" + std::string(120, 'm') + "/./" + "\xC3\xA9t\xC3\xA9.txt";
  Check(ReadWholeFile(dotted, read) && read == bytes, "a long path with . and ..");
  Check(!IsRegularFile(folder + "NUL") && !ReadWholeFile("NUL", read), "a device is no regular file");
  Check(WriteFileDurably(folder + "new", "new") && RenameFile(folder + "new", file) && ReadWholeFile(file, read) &&
            read == "new",
        "rename replaces the target");
  Check(DeleteFile(file) && !DeleteFile(file) && !IsRegularFile(file), "delete once");
  Check(!WriteFileDurably(folder + "missing/x", "x"), "no write into a missing folder");
  Check(WriteFileDurably(file, "first") && WriteFileDurably(file, "second") && ReadWholeFile(file, read) &&
            read == "second",
        "a file at the name is replaced anew");
  Check(ReplaceFileDurably(file, "replaced", ".new") && ReadWholeFile(file, read) && read == "replaced" &&
            KindOfEntry(file + ".new") == EntryKind::None,
        "a file replaced through a temporary file beside it");
  Check(!WriteFileDurably(deep, "x") && KindOfEntry(deep) == EntryKind::Folder, "a folder at the name is refused");
  Check(FinalLinkTarget(file) == file, "a file that is no link is its own target");
  DeleteFile(file);

  std::string program = ProgramFolder() + ProgramBaseName() + ".exe";
  Check(ProgramBaseName() == "service_checks" && IsRegularFile(program) && MakeExecutable(program), "own program", program);
  SetProgramFolderForTesting(folder);
  Check(ProgramFolder() == folder, "program folder for tests");
  SetProgramFolderForTesting("");
  std::string config = UserConfigFolder();
  Check(config.size() > 13 && config.ends_with("/Vellumtide/") && config[1] == ':', "user config folder", config);
}

void CheckText() {
  using namespace vt;
  struct {
    std::string bytes, utf8;
  } cases[] = {
      {"plain", "plain"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},                        // valid UTF-8 is kept
      {"caf\xE9 \x93q\x94", "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D"},  // else Windows-1252
      {"\x80\x81", "\xE2\x82\xAC\xEF\xBF\xBD"},               // a byte 1252 leaves undefined
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},       // an encoded surrogate is no UTF-8
  };
  for (const auto& c : cases) Check(BytesToUtf8(c.bytes) == c.utf8, "8-bit text", c.bytes);
  Check(CutToUtf16Units("ab\xF0\x9F\x98\x80" "c", 3) == "ab" && CutToUtf16Units("ab\xF0\x9F\x98\x80", 4) == "ab\xF0\x9F\x98\x80",
        "cut never splits a pair");
  Check(LowerCase("AZ\xC3\x80\xC3\x97\xC3\x9E") == "az\xC3\xA0\xC3\x97\xC3\xBE", "lower case");
}

void CheckDownloadRules(const char* localServer, const char* selfSignedServer) {
  using namespace vt;
  struct {
    const char* url;
    bool safe;
  } cases[] = {
      {"https://vellumtide.app/x", true},   {"HTTPS://Example.com/x", true},    {"http://127.45.6.7/x", true},
      {"http://LocalHost:81/x", true},      {"http://[::1]:8080/x", true},      {"http://vellumtide.app/x", false},
      {"http://128.0.0.1/x", false},        {"http://127.0.0.1.example.com/x", false},
      {"http://[::2]/x", false},            {"http://127.0.0.1@example.com/x", false},
      {"ftp://127.0.0.1/x", false},         {"file:///C:/x", false},            {"vellumtide.app/x", false},
      {"", false},
  };
  for (const auto& c : cases) Check(IsSafeDownloadAddress(c.url) == c.safe, "address rule", c.url);
  Check(Sha256Hex("") == "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", "digest of nothing");
  Check(Sha256Hex("abc") == "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", "digest of abc");

  std::string program;
  Check(ReadWholeFile(ProgramFolder() + ProgramBaseName() + ".exe", program) && IsExecutableForThisMachine(program),
        "own program is a program for this machine");
  std::string dll = program, shortened = program.substr(0, 64);
  dll[*reinterpret_cast<const LONG*>(program.data() + 0x3C) + 23] |= IMAGE_FILE_DLL >> 8;
  Check(!IsExecutableForThisMachine(dll) && !IsExecutableForThisMachine(shortened) &&
            !IsExecutableForThisMachine("MZ not a program"),
        "a library, a cut header or text is not");

  std::string body;
  DownloadLimits small, large;
  small.maxBytes = 100;
  large.maxBytes = 1 << 20;
  Check(!DownloadToMemory("http://example.com/x", small, body), "plain http to the network refused");
  Check(!DownloadToMemory("https://vellumtide.invalid/x", small, body), "an https host that does not resolve");
  if (selfSignedServer) {
    Check(!DownloadToMemory(std::string(selfSignedServer) + "/body", large, body), "a self-signed certificate is refused");
    Check(!DownloadToMemory("https://localhost:1/body", large, body), "an https server that is not there");
  }
  if (!localServer) return;
  std::string base = localServer;
  DownloadLimits justTooSmall = large;
  justTooSmall.maxBytes = 99999;
  Check(DownloadToMemory(base + "/body", large, body) && body.size() == 100000, "local download");
  Check(!DownloadToMemory(base + "/body", justTooSmall, body) && body.empty(), "size cap");
  Check(!DownloadToMemory(base + "/missing", large, body), "404 fails");
  Check(!DownloadToMemory(base + "/redirect", large, body), "plain http is never redirected");
  DownloadLimits quick = large;
  quick.slowWindowSeconds = 1;
  DWORD start = GetTickCount();
  bool stalled = !DownloadToMemory(base + "/stall", quick, body);
  DWORD waited = GetTickCount() - start;
  Check(stalled && waited < 10000, "a stalled download gives up", std::to_string(waited) + " ms");
  std::atomic<bool> cancel{false};
  std::chrono::steady_clock::time_point cancelledAt;
  std::thread canceller([&] {
    Sleep(300);
    cancelledAt = std::chrono::steady_clock::now();
    cancel = true;
  });
  bool gaveUp = !DownloadToMemory(base + "/stall", large, body, &cancel);
  auto returnedAt = std::chrono::steady_clock::now();
  canceller.join();  // cancelledAt is the canceller's until then
  auto late = std::chrono::duration_cast<std::chrono::milliseconds>(returnedAt - cancelledAt);
  Check(gaveUp && late.count() <= 100, "a cancelled download gives up within a tenth of a second",
        std::to_string(late.count()) + " ms");
}

void CheckSpeechWithoutVoice() {
  using namespace vt;
  int words = 0, ends = 0;
  SetSpeechListener({[&](const SpokenWord&) { ++words; }, [&] { ++ends; }, nullptr});
  std::vector<InstalledVoice> voices = InstalledVoices();
  std::printf("     %zu voices\n", voices.size());
  SpeechSetRate(15);
  Check(SpeechRate() == 10 && !SpeechSetVoice("no such voice"), "rate clamped, unknown voice refused");
  SpeechSpeak("Slow speech is on!", SpeakMode::Announcement);
  PumpEvents();
  Check(ends == 0 && words == 0, "an announcement reports nothing");
  SpeechSpeak("One reading of a few words.", SpeakMode::Reading);
  PumpEvents();
  Check(ends == 1, "a reading ends", std::to_string(ends) + " ends, " + std::to_string(words) + " words");
  SpeechSpeak("Stopped at once.", SpeakMode::Reading);
  SpeechStop();
  PumpEvents();
  Check(ends == 2, "a stopped reading ends once", std::to_string(ends));
  SpeechSpeak("", SpeakMode::Reading);
  PumpEvents();
  Check(ends == 3, "an empty reading ends");
}

}  // namespace

int main(int argc, char** argv) {
  CheckFiles();
  CheckText();
  CheckDownloadRules(argc > 1 ? argv[1] : nullptr, argc > 2 ? argv[2] : nullptr);
  CheckSpeechWithoutVoice();
  DWORD start = GetTickCount();
  vt::PlayTone(250, 300);
  std::printf("     the click took %lu ms\n", GetTickCount() - start);
  std::printf("%d failed\n", failures);
  return failures;
}
