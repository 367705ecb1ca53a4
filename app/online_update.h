// The online update: download a newer program, check it, swap the files and restart.
#pragma once
#include <string>

#include "platform/download.h"

namespace vt {

// The fixed https address of the newest program for this machine; its digest is published at the
// same address followed by ".sha256".
extern const char* const UpdateAddress;

// The address the update fetches: VELLUMTIDE_UPDATE_URL when it is set, else UpdateAddress.
std::string UpdateAddressInUse();

// Starts downloading the new program on a worker thread and returns; once it has arrived and
// passed its checks, puts it in place of ProgramFileName in the program folder (the previous one kept
// as "vellumtide.old") and asks the main window to end, so that the entry routine starts the new
// program. Any failure leaves the folder as it was and shows "Update failed!". While one update
// runs, another is not started. An installed program (core/installation.h) downloads nothing and
// shows what updates it instead.
void OnlineUpdate();

// Deletes the program an update replaced ("vellumtide.old"), once the new one has started: the
// running program's own file could not be deleted on Windows while it ran.
void RemoveReplacedProgram();

// True from OnlineUpdate until its result has been acted on.
bool UpdateInProgress();

// Stops a running download and waits for its worker; nothing is installed. Called when the window ends.
void CancelOnlineUpdate();

// Replaces the program download's limits (tests shorten them); nullptr restores the real ones.
void SetUpdateLimitsForTesting(const DownloadLimits* limits);

// The digest a digest file publishes: its first word when that is 64 hex digits, in lower case;
// "" otherwise. Accepts the output of sha256sum.
std::string PublishedDigest(const std::string& digestFileText);

// Replaces the file renaming of the swap (tests make one step fail); nullptr restores the real one.
void SetUpdateRenameForTesting(bool (*rename)(const std::string& from, const std::string& to));

}  // namespace vt
