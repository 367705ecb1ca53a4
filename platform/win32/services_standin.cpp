// Stand-ins for the Windows services that are written on their own (speech, sound, download and
// files): enough for the program to run without a voice, a sound or a download. They give way to
// the real services once those are in.
#include <windows.h>
#undef DeleteFile  // the files layer has a DeleteFile of its own

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "platform/download.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "platform/speech_engine.h"
#include "platform/testing.h"
#include "platform/win32/main_widget.h"

namespace vt {

// ---- speech: no voice, so every reading ends at once

static SpeechListener listener;
static int speechRate = 0;

void SetSpeechListener(SpeechListener newListener) { listener = std::move(newListener); }

void SpeechSpeak(const std::string&, SpeakMode mode) {
  if (mode == SpeakMode::Reading) RunLater(0, [] { if (listener.ended) listener.ended(); });
}

void SpeechStop() {}
void SpeechSetRate(int rate) { speechRate = std::clamp(rate, -10, 10); }
const char* const MaleVoiceName = "Microsoft David Desktop - English (United States)";
const char* const FemaleVoiceName = "Microsoft Zira Desktop - English (United States)";
std::vector<InstalledVoice> InstalledVoices() { return {}; }
bool SpeechSetVoice(const std::string&) { return false; }
int SpeechRate() { return speechRate; }
std::string SpeechVoiceName() { return std::string(); }
int EngineWordsPerMinute(int) { return 0; }
int EngineWordGap(int) { return 0; }

// ---- sound

void PlayTone(int frequencyHz, int milliseconds) { Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(milliseconds)); }
void StepMasterVolume(int) {}

// ---- download: refused

int DownloadStallSeconds = 120;
bool IsSafeDownloadAddress(const std::string& url) { return url.rfind("https://", 0) == 0; }
bool DownloadToMemory(const std::string&, std::size_t, std::string&) { return false; }
std::string Sha256Hex(const std::string&) { return std::string(); }
bool IsExecutableForThisMachine(const std::string& bytes) { return bytes.rfind("MZ", 0) == 0; }

// ---- files

static std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::path(Wide(utf8)); }

static std::wstring ExecutablePath() {
  wchar_t buffer[32768];
  DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
  return std::wstring(buffer, n);
}

static std::string programFolderOverride;

void SetProgramFolderForTesting(const std::string& folder) {
  programFolderOverride = folder;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') programFolderOverride += '\\';
}

std::string ProgramFolder() {
  if (!programFolderOverride.empty()) return programFolderOverride;
  std::wstring path = ExecutablePath();
  return Utf8(path.substr(0, path.find_last_of(L"\\/") + 1));
}

std::string ProgramBaseName() { return Utf8(std::filesystem::path(ExecutablePath()).stem().wstring()); }

std::string UserConfigFolder() {
  const wchar_t* appData = _wgetenv(L"APPDATA");
  return Utf8(appData ? appData : L".") + "\\Vellumtide\\";
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(PathOf(path), error);
}

bool FolderIsWritable(const std::string& folder) {
  std::filesystem::path probe = PathOf(folder + ".vellumtide-probe");
  std::ofstream out(probe);
  bool ok = out.good();
  out.close();
  std::error_code error;
  std::filesystem::remove(probe, error);
  return ok;
}

bool MakeFolders(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(PathOf(folder), error);
  return std::filesystem::is_directory(PathOf(folder), error);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  if (!IsRegularFile(path)) return false;
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFileDurably(const std::string& path, const std::string& bytes) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  bool ok = out.good();
  out.close();
  if (!ok) DeleteFile(path);
  return ok;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool DeleteFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

bool MakeExecutable(const std::string& path) { return IsRegularFile(path); }

// Length of the UTF-8 sequence that starts at s[i], or 0 when it is not a valid one.
static size_t Utf8SequenceLength(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (length == 0 || i + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return 0;
  if (length == 2 && c < 0xC2) return 0;  // overlong
  return length;
}

static bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = Utf8SequenceLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;  // a lone surrogate cannot be shown
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Windows-1252 code points of the bytes 0x80 ... 0x9F (0 where the code page has no character).
static const unsigned short kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string BytesToUtf8(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char c : bytes) {
    unsigned code = c;
    if (c >= 0x80 && c < 0xA0) code = kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD;
    AppendUtf8(out, code);
  }
  return out;
}

std::string CutToUtf16Units(const std::string& utf8, std::size_t units) {
  size_t used = 0;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = Utf8SequenceLength(utf8, i);
    if (n == 0) n = 1;
    size_t cost = n == 4 ? 2 : 1;
    if (used + cost > units) return utf8.substr(0, i);
    used += cost;
    i += n;
  }
  return utf8;
}

std::string LowerCase(const std::string& utf8) {
  std::string lower = utf8;
  for (size_t i = 0; i < lower.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(lower[i]);
    if (c >= 'A' && c <= 'Z') {
      lower[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < lower.size()) {
      unsigned char next = static_cast<unsigned char>(lower[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) lower[i + 1] = static_cast<char>(next + 0x20);
      ++i;
    }
  }
  return lower;
}

}  // namespace vt
