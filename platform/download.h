// Fetching a file over the network, and the checks a downloaded program must pass before it may
// replace the running one.
#pragma once
#include <cstddef>
#include <string>

namespace vt {

// True when an address may be fetched at all: https, or plain http to this machine only
// (127.0.0.0/8, ::1, localhost), which nobody on the network can tamper with.
bool IsSafeDownloadAddress(const std::string& url);

// Fetches an address into `body`. True only when the address is safe, the server (after https
// redirects) answered 200 and the body has at most maxBytes. An unsafe address is refused before
// any connection; certificates are checked; the fetch gives up after DownloadStallSeconds without progress.
bool DownloadToMemory(const std::string& url, std::size_t maxBytes, std::string& body);

// The seconds without any progress after which a download gives up (120; tests shorten it).
extern int DownloadStallSeconds;

// The SHA-256 digest of bytes as 64 lower-case hex digits.
std::string Sha256Hex(const std::string& bytes);

// True when bytes begin with the header of an executable this machine runs: an ELF program
// (or position-independent executable) of the running program's class, byte order and machine type.
bool IsExecutableForThisMachine(const std::string& bytes);

}  // namespace vt
