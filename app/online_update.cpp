// The online update. The new program and its published digest are fetched into memory and checked
// (a 200 answer, not empty, an executable for this machine, the digest matching) before anything in
// the program folder changes. Only then is "vellumtide.tmp" written and swapped in; the folder holds
// a "vellumtide" at every step, and a failure leaves no "vellumtide.tmp" behind. An installed
// program is not updated here: the reader is told what updates it instead.
//
// Threads: the downloads run on one worker thread, while the window shows "Updating ... " and stays
// responsive; the worker hands its result to the user-interface thread, which does everything else.
// Ending the window cancels the download and waits for the worker (a tenth of a second at most).
#include "app/online_update.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "core/bar_messages.h"
#include "core/installation.h"
#include "core/program_state.h"
#include "platform/download.h"
#include "platform/files.h"
#include "platform/window.h"

namespace vt {

#if defined(__x86_64__)
#define VT_MACHINE "x86_64"
#elif defined(__aarch64__)
#define VT_MACHINE "aarch64"
#elif defined(__i386__)
#define VT_MACHINE "i386"
#elif defined(__arm__)
#define VT_MACHINE "armhf"
#else
#define VT_MACHINE "other"
#endif

#ifdef _WIN32
const char* const UpdateAddress = "https://vellumtide.app/download/windows-" VT_MACHINE "/vellumtide.exe";
#else
const char* const UpdateAddress = "https://vellumtide.app/download/linux-" VT_MACHINE "/vellumtide";
#endif

static constexpr std::size_t kMaxDigestFileBytes = 4096;

static bool (*renameFile)(const std::string&, const std::string&) = RenameFile;  // tests replace it
static DownloadLimits updateLimits;  // the program's size cap and the slowness limits; tests shorten them

// The download on its worker thread. The thread is started and joined on the user-interface thread only.
static std::thread updateWorker;
static std::atomic<bool> updateCancelled{false};
static bool updateRunning = false;  // from the command until the result is acted on (user-interface thread)
// The newest update; a cancelled one's late result is not acted on. It only grows, across resets too.
static unsigned updateNumber = 0;

void SetUpdateLimitsForTesting(const DownloadLimits* limits) { updateLimits = limits ? *limits : DownloadLimits{}; }

void SetUpdateRenameForTesting(bool (*rename)(const std::string& from, const std::string& to)) {
  renameFile = rename ? rename : RenameFile;
}

std::string UpdateAddressInUse() {
  const char* address = std::getenv("VELLUMTIDE_UPDATE_URL");
  return address && *address ? std::string(address) : std::string(UpdateAddress);
}

std::string PublishedDigest(const std::string& digestFileText) {
  size_t start = 0;
  while (start < digestFileText.size() && std::isspace(static_cast<unsigned char>(digestFileText[start]))) ++start;
  std::string digest;
  for (size_t i = start; i < digestFileText.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(digestFileText[i]);
    if (std::isspace(c)) break;
    if (!std::isxdigit(c)) return std::string();
    digest += static_cast<char>(std::tolower(c));
  }
  return digest.size() == 64 ? digest : std::string();
}

// Fetches the new program and checks it against the published digest; true when it may be
// installed. Runs on the worker; both downloads together keep to the limits' total time.
static bool FetchCheckedProgram(const std::string& address, const DownloadLimits& limits, std::string& program) {
  if (!IsSafeDownloadAddress(address)) return false;
  auto started = std::chrono::steady_clock::now();
  DownloadLimits digestLimits = limits;
  digestLimits.maxBytes = kMaxDigestFileBytes;
  std::string digestFile;
  if (!DownloadToMemory(address + ".sha256", digestLimits, digestFile, &updateCancelled)) return false;
  std::string digest = PublishedDigest(digestFile);
  if (digest.empty()) return false;
  DownloadLimits programLimits = limits;
  programLimits.totalSeconds -= std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (!DownloadToMemory(address, programLimits, program, &updateCancelled)) return false;
  return !program.empty() && IsExecutableForThisMachine(program) && Sha256Hex(program) == digest;
}

// Writes the checked program as "vellumtide.tmp", ready to run.
static bool WriteTemporaryProgram(const std::string& temporary, const std::string& program) {
  DeleteFile(temporary);  // a left-over file (or a link) is replaced, never written through
  return WriteFileDurably(temporary, program) && MakeExecutable(temporary);
}

// Moves the program aside as "vellumtide.old" and gives the new program its name. When the new
// one cannot take the name, the old one gets it back: the folder is never left without a program.
// A running program may be renamed on every system, though Windows lets nobody delete it: the old
// file goes at the next start (RemoveReplacedProgram).
static bool SwapProgramFiles(const std::string& folder, const std::string& temporary) {
  std::string program = folder + ProgramFileName;
  std::string old = folder + "vellumtide.old";
  if (IsRegularFile(old)) DeleteFile(old);
  bool movedAside = false;
  if (IsRegularFile(program)) {
    if (!renameFile(program, old)) return false;
    movedAside = true;
  }
  if (renameFile(temporary, program)) return true;
  if (movedAside) renameFile(old, program);
  return false;
}

static void JoinUpdateWorker() {
  if (updateWorker.joinable()) updateWorker.join();
}

// Back on the user-interface thread with the fetched program: install it and end, or report the failure.
static void FinishUpdate(unsigned number, bool fetched, const std::string& program) {
  if (!updateRunning || number != updateNumber) return;  // cancelled while the result was on its way
  JoinUpdateWorker();
  updateRunning = false;
  std::string folder = ProgramFolder();
  std::string temporary = folder + "vellumtide.tmp";
  bool installed = fetched && WriteTemporaryProgram(temporary, program) && SwapProgramFiles(folder, temporary);
  if (!installed) {
    DeleteFile(temporary);
    CloseBarMessage("");
    ShowBarMessage("Update failed!", 1);
    return;
  }
  RestartAfterUpdate = 1;
  // The window ends once this has returned, as a close request would end it.
  RunLater(0, EndMainWindow);
}

void OnlineUpdate() {
  if (updateRunning) return;  // one download at a time
  // An installed program's file belongs to what installed it, which also knows its other files: a
  // new copy from here would be overwritten by the next upgrade, or would not fit the rest.
  std::vector<std::string> installedBy = UpdatesComeFromNotices(ThisInstallation());
  for (const std::string& notice : installedBy) ShowBarMessage(notice, 1);
  if (!installedBy.empty()) return;
  ShowBarMessage("Updating ... ", 0);
  updateRunning = true;
  updateCancelled = false;
  JoinUpdateWorker();
  // The download runs on a worker so that the window stays responsive and Esc can end it.
  updateWorker = std::thread([number = ++updateNumber, address = UpdateAddressInUse(), limits = updateLimits] {
    auto program = std::make_shared<std::string>();
    bool fetched = FetchCheckedProgram(address, limits, *program);
    RunLater(0, [number, fetched, program] { FinishUpdate(number, fetched, *program); });
  });
}

bool UpdateInProgress() { return updateRunning; }

void RemoveReplacedProgram() {
  std::string old = ProgramFolder() + "vellumtide.old";
  if (IsRegularFile(old)) DeleteFile(old);
}

void CancelOnlineUpdate() {
  updateCancelled = true;
  JoinUpdateWorker();
  updateRunning = false;
}

// A download under way is called off.
[[maybe_unused]] static const bool resetWithProgram = ResetAlongWithProgramState(CancelOnlineUpdate);

}  // namespace vt
