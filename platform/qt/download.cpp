// Downloads over libcurl, with the address rules that keep a download from being tampered with on
// the way (https with certificate checks; plain http only to this machine), and the checks of a
// downloaded program: its digest (Qt's hash, already linked, so no second crypto library is
// needed) and its executable header compared with the running program's own.
// libcurl is loaded when it is first needed, not with the program: it brings some twenty libraries
// (TLS, Kerberos, LDAP ...) whose loading and start-up the reader's window need not wait for.
#include "platform/download.h"

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

int DownloadStallSeconds = 120;

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
                 Find(library, "curl_url_cleanup", c.url_cleanup) && Find(library, "curl_free", c.free);
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
  const CurlLibrary* curl = Curl();
  if (!curl) return address;
  CURLU* handle = curl->url();
  if (!handle) return address;
  char* part = nullptr;
  if (curl->url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    if (curl->url_get(handle, CURLUPART_SCHEME, &part, 0) == CURLUE_OK) address.scheme = part;
    curl->free(part);
    part = nullptr;
    if (curl->url_get(handle, CURLUPART_HOST, &part, 0) == CURLUE_OK) address.host = part;
    curl->free(part);
  }
  curl->url_cleanup(handle);
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

// Where the body goes while it arrives, the most it may hold, and when it last grew.
struct Sink {
  std::string* body;
  std::size_t maxBytes;
  curl_off_t lastCount = -1;
  std::chrono::steady_clock::time_point lastProgress;
};

static size_t Collect(char* data, size_t size, size_t count, void* context) {
  auto* sink = static_cast<Sink*>(context);
  size_t n = size * count;
  if (sink->body->size() + n > sink->maxBytes) return 0;  // ends the transfer with an error
  sink->body->append(data, n);
  return n;
}

// Called by curl at least once a second: ends a transfer that has not moved for DownloadStallSeconds.
static int WatchProgress(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
  auto* sink = static_cast<Sink*>(context);
  auto now = std::chrono::steady_clock::now();
  if (received + sent != sink->lastCount) {
    sink->lastCount = received + sent;
    sink->lastProgress = now;
  }
  return now - sink->lastProgress > std::chrono::seconds(DownloadStallSeconds) ? 1 : 0;
}

bool DownloadToMemory(const std::string& url, std::size_t maxBytes, std::string& body) {
  body.clear();
  if (!IsSafeDownloadAddress(url)) return false;
  const CurlLibrary* library = Curl();
  CURL* curl = library ? library->easy_init() : nullptr;
  if (!curl) return false;

  Sink sink{&body, maxBytes, -1, std::chrono::steady_clock::now()};
  bool local = IsLoopbackHost(ParseAddress(url).host);
  curl_slist* headers = library->slist_append(nullptr, "Cache-Control: no-cache");  // never a stale copy
  headers = library->slist_append(headers, "Pragma: no-cache");
  library->easy_setopt(curl, CURLOPT_URL, url.c_str());
  library->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, local ? "http,https" : "https");
  library->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  library->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  library->easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  library->easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  library->easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  library->easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  if (local) library->easy_setopt(curl, CURLOPT_NOPROXY, "*");  // this machine is never reached through a proxy
  library->easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  library->easy_setopt(curl, CURLOPT_USERAGENT, "Vellumtide");
  library->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  library->easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  library->easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
  library->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(DownloadStallSeconds));
  library->easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchProgress);
  library->easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
  library->easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  // A trickle that keeps "moving" is as bad as a stall: under 1 byte a second on average also gives up.
  library->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  library->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(DownloadStallSeconds));
  library->easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  library->easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

  CURLcode result = library->easy_perform(curl);
  long status = 0;
  library->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  library->easy_cleanup(curl);
  library->slist_free_all(headers);
  bool ok = result == CURLE_OK && status == 200;
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
