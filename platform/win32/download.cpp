// Downloads over WinHTTP, with the address rules that keep a download from being tampered with on
// the way (https with WinHTTP's own certificate checks, which nothing here turns off; plain http
// to this machine only, never redirected; https redirected only to https), and the checks of a downloaded program: its
// SHA-256 digest from the system's cryptography (BCrypt) and its PE header compared with the
// running program's own. Each download runs on a worker thread of its own with handles of its own,
// watched by the calling thread, which can stop waiting for it at any tick.
#include "platform/download.h"

#include <winsock2.h>  // before windows.h, which would bring the old winsock
#include <ws2tcpip.h>
#include <windows.h>
#include <bcrypt.h>
#include <shlwapi.h>  // the URL_SCHEME values IUri answers with
#include <urlmon.h>
#include <winhttp.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/download_watch.h"

#include "platform/win32/wide_text.h"

namespace vt {

namespace {

constexpr DWORD kMaxRedirects = 5;
constexpr DWORD kReadChunk = 64 * 1024;
constexpr const wchar_t* kNoCacheHeaders = L"Cache-Control: no-cache\r\nPragma: no-cache";  // never a stale copy

// A parsed address: its scheme, host (an IPv6 one without brackets), port and the path with its
// query; an empty host when the address cannot be read or its scheme is neither http nor https.
struct Address {
  bool secure = false;
  std::wstring host, path;
  INTERNET_PORT port = 0;
};

std::wstring TakeText(BSTR text) {
  std::wstring taken = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return taken;
}

// The system's own address parser (urlmon's IUri), which reads "user@host", IPv6 hosts and
// escapes as browsers do.
Address ParseAddress(const std::string& url) {
  Address address;
  std::wstring wide = Utf8ToWide(url);
  IUri* uri = nullptr;
  if (wide.empty() || FAILED(CreateUri(wide.c_str(), Uri_CREATE_CANONICALIZE, 0, &uri))) return address;
  DWORD scheme = URL_SCHEME_UNKNOWN, port = 0;
  BSTR host = nullptr, path = nullptr;
  uri->GetScheme(&scheme);
  if (scheme == URL_SCHEME_HTTP || scheme == URL_SCHEME_HTTPS) {
    uri->GetHost(&host);
    uri->GetPathAndQuery(&path);
    uri->GetPort(&port);
  }
  uri->Release();
  address.secure = scheme == URL_SCHEME_HTTPS;
  address.host = TakeText(host);
  address.path = TakeText(path);
  if (address.path.empty()) address.path = L"/";
  address.port = static_cast<INTERNET_PORT>(port);
  return address;
}

// True for a host that can only be this machine: "localhost", 127.0.0.0/8, ::1 (also as ::ffff:127.x.x.x).
bool IsLoopbackHost(const std::wstring& host) {
  if (CompareStringOrdinal(host.c_str(), -1, L"localhost", -1, TRUE) == CSTR_EQUAL) return true;
  IN_ADDR v4;
  if (InetPtonW(AF_INET, host.c_str(), &v4) == 1) return v4.S_un.S_un_b.s_b1 == 127;
  IN6_ADDR v6;
  if (InetPtonW(AF_INET6, host.c_str(), &v6) != 1) return false;
  static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  const unsigned char* bytes = v6.u.Byte;
  return std::memcmp(bytes, loopback, 16) == 0 || (std::memcmp(bytes, mapped, 12) == 0 && bytes[12] == 127);
}

// Closes a WinHTTP handle when it goes out of scope.
struct InternetHandle {
  HINTERNET handle;
  explicit InternetHandle(HINTERNET h) : handle(h) {}
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() {
    if (handle) WinHttpCloseHandle(handle);
  }
};

// A session with the system's proxy for the network, none for this machine, TLS 1.2 or newer and
// every wait bounded by the limits' window.
HINTERNET OpenSession(bool local, const DownloadLimits& limits) {
  DWORD access = local ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY;
  HINTERNET session = WinHttpOpen(L"Vellumtide", access, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session && !local)  // before Windows 8.1 there is no automatic proxy: take the configured one
    session = WinHttpOpen(L"Vellumtide", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session) return nullptr;
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  if (!WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
    protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;  // a system without TLS 1.3
    WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
  }
  int stallMs = static_cast<int>(std::max(limits.slowWindowSeconds, 1.0) * 1000);
  WinHttpSetTimeouts(session, stallMs, stallMs, stallMs, stallMs);
  DWORD responseMs = static_cast<DWORD>(stallMs);
  WinHttpSetOption(session, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs, sizeof responseMs);
  return session;
}

// An https address is redirected at most five times, never to http; a plain http address (this
// machine) is never redirected.
void LimitRedirects(HINTERNET request, bool secure) {
  DWORD policy = secure ? WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP : WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(request, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
  DWORD redirects = kMaxRedirects;
  WinHttpSetOption(request, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof redirects);
}

DWORD StatusCode(HINTERNET request) {
  DWORD status = 0, size = sizeof status;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                      &status, &size, WINHTTP_NO_HEADER_INDEX);
  return status;
}

// False when the server announces a body larger than maxBytes.
bool AnnouncedSizeFits(HINTERNET request, std::size_t maxBytes) {
  wchar_t text[32];
  DWORD size = sizeof text;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                           WINHTTP_NO_HEADER_INDEX))
    return true;  // not announced: the reads enforce the limit
  return _wcstoui64(text, nullptr, 10) <= maxBytes;
}

// What a download's worker and its caller share. The caller may give up (cancelled, too slow)
// while the worker still waits in a blocking read: the worker then finishes on its own, within the
// session's timeouts, and its result goes unread.
struct Transfer {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false, ok = false;  // guarded by mutex
  std::string body;               // the worker's until done
  std::atomic<std::uint64_t> received{0};
  std::atomic<bool> abandoned{false};
};

// Reads the body into the transfer; gives up past maxBytes, when a read waits a whole window for
// nothing (the session's receive timeout) or once the caller has given up.
bool ReadBody(HINTERNET request, const DownloadLimits& limits, Transfer& transfer) {
  std::string chunk(kReadChunk, '\0');
  for (;;) {
    if (transfer.abandoned) return false;
    DWORD got = 0;
    if (!WinHttpReadData(request, chunk.data(), kReadChunk, &got)) return false;
    if (got == 0) return true;
    if (transfer.body.size() + got > limits.maxBytes) return false;
    transfer.body.append(chunk, 0, got);
    transfer.received += got;
  }
}

bool Fetch(const std::string& url, const DownloadLimits& limits, Transfer& transfer) {
  Address address = ParseAddress(url);
  InternetHandle session(OpenSession(IsLoopbackHost(address.host), limits));
  if (!session.handle) return false;
  InternetHandle connection(WinHttpConnect(session.handle, address.host.c_str(), address.port, 0));
  if (!connection.handle) return false;
  InternetHandle request(WinHttpOpenRequest(connection.handle, L"GET", address.path.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            WINHTTP_FLAG_REFRESH | (address.secure ? WINHTTP_FLAG_SECURE : 0)));
  if (!request.handle) return false;
  LimitRedirects(request.handle, address.secure);
  if (!WinHttpSendRequest(request.handle, kNoCacheHeaders, static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(request.handle, nullptr))
    return false;
  return StatusCode(request.handle) == 200 && AnnouncedSizeFits(request.handle, limits.maxBytes) &&
         ReadBody(request.handle, limits, transfer);
}

// Fetches on a worker thread while the calling thread watches the cancel flag and the slowness
// limits every tick: WinHTTP's blocking calls cannot be woken, so the caller stops waiting instead.
bool FetchWatched(const std::string& url, const DownloadLimits& limits, std::string& body,
                  const std::atomic<bool>* cancelled) {
  auto transfer = std::make_shared<Transfer>();
  std::thread([transfer, url, limits] {
    bool ok = Fetch(url, limits, *transfer);
    std::lock_guard<std::mutex> lock(transfer->mutex);
    transfer->ok = ok;
    transfer->done = true;
    transfer->finished.notify_all();
  }).detach();
  SlowDownloadWatch watch(limits, SlowDownloadWatch::Clock::now());
  std::unique_lock<std::mutex> lock(transfer->mutex);
  while (!transfer->finished.wait_for(lock, kDownloadTick, [&] { return transfer->done; })) {
    bool givesUp = (cancelled && cancelled->load()) || watch.GivesUp(transfer->received, SlowDownloadWatch::Clock::now());
    if (givesUp) {
      transfer->abandoned = true;
      return false;
    }
  }
  if (transfer->ok) body.swap(transfer->body);
  return transfer->ok;
}

// Copies the image header of a PE file out of `size` bytes; false when they hold none.
bool ReadPeHeaders(const char* bytes, std::size_t size, IMAGE_NT_HEADERS& headers) {
  IMAGE_DOS_HEADER dos;
  if (size < sizeof dos) return false;
  std::memcpy(&dos, bytes, sizeof dos);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return false;
  std::size_t offset = static_cast<std::size_t>(dos.e_lfanew);
  if (offset > size || size - offset < sizeof headers) return false;
  std::memcpy(&headers, bytes + offset, sizeof headers);
  return headers.Signature == IMAGE_NT_SIGNATURE;
}

// The running program's own image header, as the loader mapped it.
const IMAGE_NT_HEADERS& OwnPeHeaders() {
  auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return *reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

}  // namespace

bool IsSafeDownloadAddress(const std::string& url) {
  Address address = ParseAddress(url);
  if (address.host.empty()) return false;
  return address.secure || IsLoopbackHost(address.host);
}

bool DownloadToMemory(const std::string& url, const DownloadLimits& limits, std::string& body,
                      const std::atomic<bool>* cancelled) {
  body.clear();
  bool ok = IsSafeDownloadAddress(url) && FetchWatched(url, limits, body, cancelled);
  if (!ok) body.clear();
  return ok;
}

std::string Sha256Hex(const std::string& bytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  unsigned char digest[32] = {};
  bool ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
            BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  for (std::size_t done = 0; ok && done < bytes.size();) {
    ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + done));
    ok = BCRYPT_SUCCESS(BCryptHashData(hash, data, chunk, 0));
    done += chunk;
  }
  ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, sizeof digest, 0));
  if (hash) BCryptDestroyHash(hash);
  if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!ok) return std::string();  // no digest matches a published one
  static const char hex[] = "0123456789abcdef";
  std::string text;
  for (unsigned char b : digest) text += {hex[b >> 4], hex[b & 15]};
  return text;
}

// A program for this machine: a PE image (not a DLL) for the running program's machine type and
// of its 32- or 64-bit kind.
bool IsExecutableForThisMachine(const std::string& bytes) {
  IMAGE_NT_HEADERS image;
  if (!ReadPeHeaders(bytes.data(), bytes.size(), image)) return false;
  const IMAGE_NT_HEADERS& own = OwnPeHeaders();
  WORD characteristics = image.FileHeader.Characteristics;
  return image.FileHeader.Machine == own.FileHeader.Machine && image.OptionalHeader.Magic == own.OptionalHeader.Magic &&
         (characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) && !(characteristics & IMAGE_FILE_DLL);
}

}  // namespace vt
