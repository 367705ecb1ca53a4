// Fetching a file over the network, and the checks a downloaded program must pass before it may
// replace the running one.
#pragma once
#include <atomic>
#include <cstddef>
#include <string>

namespace vt {

// True when an address may be fetched at all: https, or plain http to this machine only
// (127.0.0.0/8, ::1, localhost), which nobody on the network can tamper with.
bool IsSafeDownloadAddress(const std::string& url);

// How large and how slow a download may be before it gives up.
struct DownloadLimits {
  std::size_t maxBytes = std::size_t(64) << 20;  // a larger body
  double slowWindowSeconds = 30;                 // less than slowWindowBytes received in any
  std::size_t slowWindowBytes = 1024;            // window of this many seconds (connecting included)
  double totalSeconds = 600;                     // longer than this in all
};

// Fetches an address into `body`. True only when the address is safe, the server (after https
// redirects) answered 200 and the whole body arrived within `limits`. An unsafe address is refused
// before any connection; certificates are checked. The call blocks, so it belongs on a worker
// thread; it gives up within a tenth of a second once `*cancelled` turns true.
bool DownloadToMemory(const std::string& url, const DownloadLimits& limits, std::string& body,
                      const std::atomic<bool>* cancelled = nullptr);

// The SHA-256 digest of bytes as 64 lower-case hex digits.
std::string Sha256Hex(const std::string& bytes);

// True when bytes begin with the header of an executable this machine runs, of the running
// program's kind and machine type: on Linux an ELF program (or position-independent executable) of
// its class and byte order, on Windows a PE program (not a library) of its 32- or 64-bit kind.
bool IsExecutableForThisMachine(const std::string& bytes);

}  // namespace vt
