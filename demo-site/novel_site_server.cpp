#include "demo-site/novel_site_server.h"

#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <string_view>
#include <vector>

#include "demo-site/hostile_pages.h"
#include "demo-site/self_signed_certificate.h"

namespace nc::demo {
namespace {

constexpr std::array<const char*, static_cast<int>(RequestKind::count)> kKindNames = {
    "category pages", "listings", "index pages", "chapter pages", "notices", "pictures", "other"};
constexpr std::array<const char*, static_cast<int>(FaultKind::count)> kFaultNames = {"resets", "500 answers",
                                                                                     "truncated", "stalled"};
constexpr time_t kKeepAliveSeconds = 5;
constexpr std::size_t kKeepAliveRequests = 1000;
constexpr int kPictureSize = 96;
constexpr std::uint32_t kPictureColour1 = 0x3A7BD5;
constexpr std::uint32_t kPictureColour2 = 0xE8A33D;

std::uint64_t mix(std::uint64_t value) {
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}

bool parseInt(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// "/book/12/" -> 12, 0; "/book/12/3.html" -> 12, 3; otherwise false.
bool parseBookPath(const std::string& path, int& bookId, int& chapter) {
  static constexpr std::string_view kPrefix = "/book/";
  if (path.rfind(kPrefix, 0) != 0) return false;
  std::size_t slash = path.find('/', kPrefix.size());
  if (slash == std::string::npos || !parseInt(path.substr(kPrefix.size(), slash - kPrefix.size()), bookId))
    return false;
  std::string rest = path.substr(slash + 1);
  if (rest.empty()) {
    chapter = 0;
    return true;
  }
  static constexpr std::string_view kSuffix = ".html";
  if (rest.size() <= kSuffix.size() ||
      rest.compare(rest.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) {
    return false;
  }
  return parseInt(rest.substr(0, rest.size() - kSuffix.size()), chapter) && chapter > 0;
}

// The path of an absolute URL, without query or fragment: "https://localhost:8443/wuxia/?a" ->
// "/wuxia/". Empty when `url` is not absolute or has no path.
std::string_view urlPath(std::string_view url) {
  std::size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return {};
  std::size_t slash = url.find('/', scheme + 3);
  if (slash == std::string_view::npos) return {};
  std::string_view path = url.substr(slash);
  return path.substr(0, path.find_first_of("?#"));
}

int portOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  return -1;
}

// The sockets of this process connected at local port `port` (accepted connections of the server
// listening there), only the one whose peer uses `peerPort` unless that is 0.
std::vector<int> connectionsAt(int port, int peerPort) {
  std::vector<int> found;
  DIR* directory = opendir("/proc/self/fd");
  if (directory == nullptr) return found;
  const int own = dirfd(directory);
  while (const dirent* entry = readdir(directory)) {
    int fd = 0;
    if (!parseInt(entry->d_name, fd) || fd == own) continue;
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 || portOf(local) != port) continue;
    sockaddr_storage peer{};
    length = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) continue;  // the listener
    if (peerPort != 0 && portOf(peer) != peerPort) continue;
    found.push_back(fd);
  }
  closedir(directory);
  return found;
}

// Ends a connection the server still owns: the peer sees it closed (or reset once the server
// closes it) and every later read or write on it fails at once. The descriptor stays open for
// its owner to close.
void dropConnection(int fd) {
  linger abort{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  shutdown(fd, SHUT_RDWR);
}

}  // namespace

std::uint64_t SiteStats::totalRequests() const {
  std::uint64_t total = 0;
  for (std::uint64_t count : requests) total += count;
  return total;
}

std::uint64_t SiteStats::totalFaults() const {
  std::uint64_t total = 0;
  for (std::uint64_t count : faults) total += count;
  return total;
}

std::string SiteStats::summary() const {
  std::ostringstream out;
  out << "requests: " << totalRequests() << " (";
  for (std::size_t i = 0; i < requests.size(); ++i)
    out << (i ? ", " : "") << kKindNames[i] << " " << requests[i];
  out << "), refused listings without referer: " << forbidden << "\n";
  out << "bytes sent: " << bytes << "\n";
  out << "faults injected: " << totalFaults() << " (";
  for (std::size_t i = 0; i < faults.size(); ++i)
    out << (i ? ", " : "") << kFaultNames[i] << " " << faults[i];
  out << ")\n";
  return out.str();
}

struct NovelSiteServer::Impl {
  SelfSignedCertificate certificate;
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  std::atomic<std::uint64_t> requestNumber{0};
  std::array<std::atomic<std::uint64_t>, static_cast<int>(RequestKind::count)> requests{};
  std::array<std::atomic<std::uint64_t>, static_cast<int>(FaultKind::count)> faults{};
  std::atomic<std::uint64_t> forbidden{0};
  std::atomic<std::uint64_t> bytes{0};
  std::atomic<bool> stopping{false};
  std::mutex stopMutex;
  std::condition_variable stopped;

  // Waits until `deadline` or until the server stops; false when it stopped.
  bool waitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(stopMutex);
    return !stopped.wait_until(lock, deadline, [this] { return stopping.load(); });
  }

  // Holds a request that is never to be answered until the server stops.
  void holdUntilStopped() {
    std::unique_lock lock(stopMutex);
    stopped.wait(lock, [this] { return stopping.load(); });
  }

  // The fault for the next request, if any; the draw depends only on the seed and the count.
  std::optional<FaultKind> drawFault(const FaultOptions& options) {
    std::uint64_t n = requestNumber.fetch_add(1);
    double draw =
        static_cast<double>(mix(options.seed * 0x9E3779B97F4A7C15ULL + n) >> 11) / 9007199254740992.0;
    double limit = options.resetProbability;
    if (draw < limit) return FaultKind::reset;
    if (draw < (limit += options.errorProbability)) return FaultKind::error;
    if (draw < (limit += options.truncateProbability)) return FaultKind::truncate;
    if (draw < (limit += options.stallProbability)) return FaultKind::stall;
    return std::nullopt;
  }
};

NovelSiteServer::NovelSiteServer(SiteOptions options)
    : options_(std::move(options)), content_(options_.content), impl_(std::make_unique<Impl>()) {}

NovelSiteServer::~NovelSiteServer() {
  stop();
}

std::string NovelSiteServer::origin() const {
  return std::string(options_.https ? "https" : "http") + "://" + options_.address + ":" +
         std::to_string(port_);
}

SiteStats NovelSiteServer::stats() const {
  SiteStats stats;
  for (std::size_t i = 0; i < stats.requests.size(); ++i) stats.requests[i] = impl_->requests[i].load();
  for (std::size_t i = 0; i < stats.faults.size(); ++i) stats.faults[i] = impl_->faults[i].load();
  stats.forbidden = impl_->forbidden.load();
  stats.bytes = impl_->bytes.load();
  return stats;
}

bool NovelSiteServer::start() {
  if (impl_->server) return false;
  if (options_.https) {
    if (!impl_->certificate.valid()) return false;
    impl_->server =
        std::make_unique<httplib::SSLServer>(impl_->certificate.certificate(), impl_->certificate.key());
  } else {
    impl_->server = std::make_unique<httplib::Server>();
  }
  httplib::Server& server = *impl_->server;
  server.set_tcp_nodelay(true);
  server.set_keep_alive_timeout(kKeepAliveSeconds);
  server.set_keep_alive_max_count(kKeepAliveRequests);
  int threads = std::max(1, options_.threads);
  server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };

  server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    const auto arrival = std::chrono::steady_clock::now();
    Impl& impl = *impl_;
    RequestKind kind = RequestKind::other;
    std::string body;
    std::string type = "text/html; charset=utf-8";
    int status = 200;
    int bookId = 0;
    int chapter = 0;
    if (request.path == "/json") {
      kind = RequestKind::listing;
      int sortId = 0;
      int page = 0;
      parseInt(request.get_param_value("sortid"), sortId);
      parseInt(request.get_param_value("page"), page);
      // The listing answers only for the category's own page as referer, on whatever origin.
      const std::string categoryPath = NovelSiteContent::categoryPath(sortId);
      const std::string referer = request.get_header_value("Referer");
      const bool refererNamesCategory = !categoryPath.empty() && urlPath(referer) == categoryPath;
      std::optional<HostileReply> hostile;
      if (options_.hostile && refererNamesCategory) {
        hostile = hostileListing(sortId, page, origin() + request.target);
      }
      if (!refererNamesCategory) {
        ++impl.forbidden;
        status = 403;
        body = "forbidden: the listing answers only with the category page as referer";
        type = "text/plain; charset=utf-8";
      } else if (hostile) {
        ++impl.requests[static_cast<int>(kind)];
        if (hostile->neverAnswer) {
          impl.holdUntilStopped();
          dropOwnConnection(request);
          return;
        }
        response.status = hostile->status;
        if (!hostile->location.empty()) response.set_header("Location", hostile->location);
        impl.bytes += hostile->body.size();
        response.set_content(std::move(hostile->body), hostile->contentType.c_str());
        return;
      } else {
        body = content_.listingJson(sortId, page);
        type = "application/json; charset=utf-8";
      }
    } else if (int sortId = NovelSiteContent::sortIdOfCategoryPath(request.path); sortId != 0) {
      kind = RequestKind::category;
      body = content_.categoryPage(sortId);
    } else if (parseBookPath(request.path, bookId, chapter)) {
      kind = chapter == 0 ? RequestKind::index : RequestKind::chapter;
      std::optional<HostileReply> hostile;
      if (options_.hostile) hostile = hostileBookPage(bookId, chapter);
      if (hostile) {
        body = std::move(hostile->body);
      } else {
        body = chapter == 0 ? content_.indexPage(bookId) : content_.chapterPage(bookId, chapter);
      }
      if (body.empty()) status = 404;
    } else if (request.path == "/wp-content/novel_crawler.json") {
      kind = RequestKind::notice;
      if (options_.notice.served) {
        body = NovelSiteContent::noticeJson(options_.notice, origin());
        type = "application/json; charset=utf-8";
      } else {
        status = 404;
      }
    } else if (request.path == kPicturePath1 || request.path == kPicturePath2) {
      kind = RequestKind::picture;
      body = makePng(kPictureSize, request.path == kPicturePath1 ? kPictureColour1 : kPictureColour2);
      type = "image/png";
    } else if (request.path == "/" || request.path == "/download/") {
      body = NovelSiteContent::homePage();
    } else {
      status = 404;
    }
    if (status == 404) {
      body = "not found";
      type = "text/plain; charset=utf-8";
    }
    ++impl.requests[static_cast<int>(kind)];
    // The latency runs from the request's arrival, whatever the page took to make.
    if (options_.latencyMs > 0 && !impl.waitUntil(arrival + std::chrono::milliseconds(options_.latencyMs))) {
      dropOwnConnection(request);  // stopping: no answer at all
      return;
    }

    std::optional<FaultKind> fault;
    bool faultable =
        !options_.faults.onlyChapters || kind == RequestKind::chapter || kind == RequestKind::index;
    if (faultable && status == 200) fault = impl.drawFault(options_.faults);
    if (fault) ++impl.faults[static_cast<int>(*fault)];
    if (fault == FaultKind::reset) {
      dropOwnConnection(request);
      return;
    }
    if (fault == FaultKind::error) {
      response.status = 500;
      response.set_content("internal error (injected)", "text/plain");
      return;
    }
    response.status = status;
    if (!fault) {
      impl.bytes += body.size();
      response.set_content(std::move(body), type.c_str());
      return;
    }
    // Faults on the body: announce the whole length, deliver half of it, then drop the connection,
    // at once or after a stall.
    const std::size_t deliver = body.size() / 2;
    const int stallMs = *fault == FaultKind::stall ? options_.faults.stallMs : 0;
    impl.bytes += deliver;
    auto shared = std::make_shared<std::string>(std::move(body));
    response.set_content_provider(
        shared->size(), type.c_str(),
        [shared, deliver, stallMs, &impl](std::size_t offset, std::size_t, httplib::DataSink& sink) {
          if (offset < deliver) {
            sink.write(shared->data() + offset, deliver - offset);
            return true;
          }
          if (stallMs > 0)
            impl.waitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(stallMs));
          return false;  // closes the connection with the body cut short
        });
  });

  port_ = options_.port == 0 ? server.bind_to_any_port(options_.address)
                             : (server.bind_to_port(options_.address, options_.port) ? options_.port : -1);
  if (port_ <= 0) {
    port_ = 0;
    return false;
  }
  impl_->thread = std::thread([&server] {
    // The worker threads are made by this one and inherit the mask: a write to a connection the
    // client has closed fails with EPIPE instead of raising SIGPIPE in the hosting process.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    server.listen_after_bind();
  });
  for (int waited = 0; waited < 5000 && !server.is_running(); ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return server.is_running();
}

void NovelSiteServer::dropOwnConnection(const httplib::Request& request) const {
  for (int fd : connectionsAt(port_, request.remote_port)) dropConnection(fd);
}

void NovelSiteServer::stop() {
  if (!impl_->thread.joinable()) {
    impl_->stopping = true;
    return;
  }
  impl_->server->stop();
  {
    std::lock_guard lock(impl_->stopMutex);
    impl_->stopping = true;
  }
  // Idle keep-alive connections would otherwise hold their workers until the keep-alive timeout;
  // the requests waiting in latency, stalls or never-answered pages find theirs gone on waking.
  for (int fd : connectionsAt(port_, 0)) dropConnection(fd);
  impl_->stopped.notify_all();
  impl_->thread.join();
}

}  // namespace nc::demo
