// Downloads over libcurl, with the address rules that keep a download from being tampered with on
// the way (https with certificate checks; plain http only to this machine), and the checks of a
// downloaded program: its digest (Qt's hash, already linked, so no second crypto library is
// needed) and its executable header compared with the running program's own. A download runs on
// its caller's thread through curl's multi interface, waking at least ten times a second to see
// whether it was cancelled or has become too slow.
// libcurl is loaded when it is first needed, not with the program: it brings some twenty libraries
// (TLS, Kerberos, LDAP ...) whose loading and start-up the reader's window need not wait for.
#include "platform/download.h"
#include "platform/download_watch.h"

#include <QByteArrayView>
#include <QCryptographicHash>

#include <arpa/inet.h>
#include <curl/curl.h>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace vt {

namespace {

// The libcurl functions used here, found in the library once it is loaded.
struct CurlLibrary {
  decltype(&curl_global_init) global_init;
  decltype(&curl_easy_init) easy_init;
  decltype(&curl_easy_setopt) easy_setopt;
  decltype(&curl_easy_perform) easy_perform;
  decltype(&curl_easy_getinfo) easy_getinfo;
  decltype(&curl_easy_cleanup) easy_cleanup;
  decltype(&curl_slist_append) slist_append;
  decltype(&curl_slist_free_all) slist_free_all;
  decltype(&curl_url) url;
  decltype(&curl_url_set) url_set;
  decltype(&curl_url_get) url_get;
  decltype(&curl_url_cleanup) url_cleanup;
  decltype(&curl_free) free;
  decltype(&curl_multi_init) multi_init;
  decltype(&curl_multi_add_handle) multi_add_handle;
  decltype(&curl_multi_perform) multi_perform;
  decltype(&curl_multi_poll) multi_poll;
  decltype(&curl_multi_info_read) multi_info_read;
  decltype(&curl_multi_remove_handle) multi_remove_handle;
  decltype(&curl_multi_cleanup) multi_cleanup;
};

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

// libcurl, loaded and started on first use; null when it cannot be loaded (nothing is downloaded).
const CurlLibrary* Curl() {
  static const CurlLibrary* loaded = []() -> const CurlLibrary* {
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static CurlLibrary c;
    bool found = Find(library, "curl_global_init", c.global_init) && Find(library, "curl_easy_init", c.easy_init) &&
                 Find(library, "curl_easy_setopt", c.easy_setopt) && Find(library, "curl_easy_perform", c.easy_perform) &&
                 Find(library, "curl_easy_getinfo", c.easy_getinfo) && Find(library, "curl_easy_cleanup", c.easy_cleanup) &&
                 Find(library, "curl_slist_append", c.slist_append) &&
                 Find(library, "curl_slist_free_all", c.slist_free_all) && Find(library, "curl_url", c.url) &&
                 Find(library, "curl_url_set", c.url_set) && Find(library, "curl_url_get", c.url_get) &&
                 Find(library, "curl_url_cleanup", c.url_cleanup) && Find(library, "curl_free", c.free) &&
                 Find(library, "curl_multi_init", c.multi_init) &&
                 Find(library, "curl_multi_add_handle", c.multi_add_handle) &&
                 Find(library, "curl_multi_perform", c.multi_perform) && Find(library, "curl_multi_poll", c.multi_poll) &&
                 Find(library, "curl_multi_info_read", c.multi_info_read) &&
                 Find(library, "curl_multi_remove_handle", c.multi_remove_handle) &&
                 Find(library, "curl_multi_cleanup", c.multi_cleanup);
    if (!found || c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
    return &c;
  }();
  return loaded;
}

}  // namespace

// A parsed address: its scheme and host, empty when curl cannot read it.
struct Address {
  std::string scheme, host;
};

static Address ParseAddress(const std::string& url) {
  Address address;
  if (!Curl()) return address;  // no libcurl: no address is safe to download from
  CURLU* handle = Curl()->url();
  if (!handle) return address;
  char* part = nullptr;
  if (Curl()->url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    if (Curl()->url_get(handle, CURLUPART_SCHEME, &part, 0) == CURLUE_OK) address.scheme = part;
    Curl()->free(part);
    part = nullptr;
    if (Curl()->url_get(handle, CURLUPART_HOST, &part, 0) == CURLUE_OK) address.host = part;
    Curl()->free(part);
  }
  Curl()->url_cleanup(handle);
  return address;
}

// True for a host that can only be this machine: "localhost", 127.0.0.0/8, ::1 (also as ::ffff:127.x.x.x).
static bool IsLoopbackHost(std::string host) {
  if (strcasecmp(host.c_str(), "localhost") == 0) return true;
  in_addr v4;
  if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  in6_addr v6;
  if (inet_pton(AF_INET6, host.c_str(), &v6) != 1) return false;
  return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
}

bool IsSafeDownloadAddress(const std::string& url) {
  Address address = ParseAddress(url);
  if (address.host.empty()) return false;
  return address.scheme == "https" || (address.scheme == "http" && IsLoopbackHost(address.host));
}

// Where the body goes while it arrives, and the most it may hold.
struct Sink {
  std::string* body;
  std::size_t maxBytes;
};

static size_t Collect(char* data, size_t size, size_t count, void* context) {
  auto* sink = static_cast<Sink*>(context);
  size_t n = size * count;
  if (sink->body->size() + n > sink->maxBytes) return 0;  // ends the transfer with an error
  sink->body->append(data, n);
  return n;
}

// Drives a transfer until it ends, is cancelled or breaks a limit; true when curl finished it without error.
static bool RunTransfer(CURLM* multi, CURL* curl, const DownloadLimits& limits, const std::atomic<bool>* cancelled) {
  SlowDownloadWatch watch(limits, SlowDownloadWatch::Clock::now());
  for (;;) {
    int running = 0;
    if (Curl()->multi_perform(multi, &running) != CURLM_OK) return false;
    if (running == 0) break;
    if (cancelled && cancelled->load()) return false;
    curl_off_t received = 0;
    Curl()->easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &received);
    if (watch.GivesUp(static_cast<std::uint64_t>(received), SlowDownloadWatch::Clock::now())) return false;
    Curl()->multi_poll(multi, nullptr, 0, static_cast<int>(kDownloadTick.count()), nullptr);
  }
  int queued = 0;
  CURLMsg* message = Curl()->multi_info_read(multi, &queued);
  return message && message->msg == CURLMSG_DONE && message->data.result == CURLE_OK;
}

// A transfer of `url` into the sink with the address rules, no cache, and curl's own guards.
static CURL* PrepareTransfer(const std::string& url, const DownloadLimits& limits, Sink& sink, curl_slist* headers) {
  CURL* curl = Curl()->easy_init();
  if (!curl) return nullptr;
  bool local = IsLoopbackHost(ParseAddress(url).host);
  Curl()->easy_setopt(curl, CURLOPT_URL, url.c_str());
  Curl()->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, local ? "http,https" : "https");
  Curl()->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  Curl()->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  Curl()->easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  Curl()->easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  Curl()->easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  Curl()->easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  if (local) Curl()->easy_setopt(curl, CURLOPT_NOPROXY, "*");  // this machine is never reached through a proxy
  Curl()->easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  Curl()->easy_setopt(curl, CURLOPT_USERAGENT, "Vellumtide");
  Curl()->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  Curl()->easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  Curl()->easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
  Curl()->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.slowWindowSeconds * 1000));
  Curl()->easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalSeconds * 1000) + 1000);  // a backstop
  Curl()->easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  Curl()->easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  return curl;
}

bool DownloadToMemory(const std::string& url, const DownloadLimits& limits, std::string& body,
                      const std::atomic<bool>* cancelled) {
  body.clear();
  if (!IsSafeDownloadAddress(url)) return false;
  Sink sink{&body, limits.maxBytes};
  curl_slist* headers = Curl()->slist_append(nullptr, "Cache-Control: no-cache");  // never a stale copy
  headers = Curl()->slist_append(headers, "Pragma: no-cache");
  CURL* curl = PrepareTransfer(url, limits, sink, headers);
  CURLM* multi = Curl()->multi_init();
  bool ok = false;
  if (curl && multi && Curl()->multi_add_handle(multi, curl) == CURLM_OK) {
    ok = RunTransfer(multi, curl, limits, cancelled);
    long status = 0;
    Curl()->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    ok = ok && status == 200;
    Curl()->multi_remove_handle(multi, curl);
  }
  if (multi) Curl()->multi_cleanup(multi);
  if (curl) Curl()->easy_cleanup(curl);
  Curl()->slist_free_all(headers);
  if (!ok) body.clear();
  return ok;
}

std::string Sha256Hex(const std::string& bytes) {
  QByteArray digest = QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                               QCryptographicHash::Sha256);
  return digest.toHex().toStdString();
}

// The first bytes of the running program's own header: what a program for this machine begins with.
static std::string OwnElfHeader() {
  static const std::string header = [] {
    char buffer[EI_NIDENT + 4] = {};
    int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::string();
    ssize_t n = read(fd, buffer, sizeof buffer);
    close(fd);
    return n == static_cast<ssize_t>(sizeof buffer) ? std::string(buffer, sizeof buffer) : std::string();
  }();
  return header;
}

bool IsExecutableForThisMachine(const std::string& bytes) {
  std::string own = OwnElfHeader();
  if (own.empty() || std::memcmp(own.data(), ELFMAG, SELFMAG) != 0) return false;
  size_t headerSize = own[EI_CLASS] == ELFCLASS64 ? sizeof(Elf64_Ehdr) : sizeof(Elf32_Ehdr);
  if (bytes.size() < headerSize) return false;
  // Magic, class, byte order and header version equal; then the machine type (bytes 18-19).
  if (bytes.compare(0, EI_VERSION + 1, own, 0, EI_VERSION + 1) != 0) return false;
  if (bytes.compare(EI_NIDENT + 2, 2, own, EI_NIDENT + 2, 2) != 0) return false;
  uint16_t type;  // the same byte order as this machine, checked above
  std::memcpy(&type, bytes.data() + EI_NIDENT, sizeof type);
  return type == ET_EXEC || type == ET_DYN;
}

}  // namespace vt
