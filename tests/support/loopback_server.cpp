#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "demo-site/self_signed_certificate.h"

namespace nc::testing {
namespace {

// Kept-alive connections hold a server thread this long after their last request.
constexpr time_t kKeepAliveSeconds = 5;
// Requests one kept-alive connection may carry before the server closes it.
constexpr std::size_t kKeepAliveMaxRequests = 100000;

// Shuts down the connections the server accepted on `port` and still holds open, so that
// their threads, waiting for a next request, end at once. The listening socket must be closed
// already: then every socket of this process whose local port is `port` is such a connection.
void shutDownAcceptedConnections(int port) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    int socket = std::atoi(entry.path().filename().c_str());
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) continue;
    if (local.sin_family == AF_INET && ntohs(local.sin_port) == port) ::shutdown(socket, SHUT_RDWR);
  }
}

bool equalIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

std::string TestRequest::header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (equalIgnoreCase(key, name)) return value;
  }
  return {};
}

bool TestRequest::hasHeader(const std::string& name) const {
  for (const auto& entry : headers) {
    if (equalIgnoreCase(entry.first, name)) return true;
  }
  return false;
}

struct LoopbackServer::Impl {
  SelfSignedCertificate certificate;
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  std::map<std::string, RouteHandler> routes;
  mutable std::mutex mutex;
  std::vector<TestRequest> requests;

  void handle(const httplib::Request& request, httplib::Response& response) {
    TestRequest seen;
    seen.method = request.method;
    seen.path = request.path;
    seen.target = request.target;
    for (const auto& [key, value] : request.params) seen.query[key] = value;
    for (const auto& [key, value] : request.headers) {
      if (key == "REMOTE_ADDR" || key == "REMOTE_PORT" || key == "LOCAL_ADDR" || key == "LOCAL_PORT")
        continue;
      seen.headers.emplace_back(key, value);
    }
    seen.body = request.body;
    seen.remotePort = request.remote_port;
    {
      std::lock_guard lock(mutex);
      requests.push_back(seen);
    }
    auto route = routes.find(seen.path);
    if (route == routes.end()) {
      response.status = 404;
      response.set_content("not found", "text/plain");
      return;
    }
    TestResponse answer = route->second(seen);
    response.status = answer.status;
    for (const auto& [key, value] : answer.headers) response.headers.emplace(key, value);
    response.set_content(answer.body, answer.contentType.c_str());
  }
};

LoopbackServer::LoopbackServer(Scheme scheme) : impl_(std::make_unique<Impl>()), scheme_(scheme) {}

LoopbackServer::~LoopbackServer() {
  stop();
}

void LoopbackServer::route(const std::string& path, RouteHandler handler) {
  impl_->routes[path] = std::move(handler);
}

bool LoopbackServer::start() {
  if (scheme_ == Scheme::https) {
    if (!impl_->certificate.valid()) return false;
    impl_->server =
        std::make_unique<httplib::SSLServer>(impl_->certificate.certificate(), impl_->certificate.key());
  } else {
    impl_->server = std::make_unique<httplib::Server>();
  }
  httplib::Server& server = *impl_->server;
  server.set_tcp_nodelay(true);
  server.set_keep_alive_timeout(kKeepAliveSeconds);
  server.set_keep_alive_max_count(kKeepAliveMaxRequests);
  auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    impl_->handle(request, response);
  };
  const std::string any = ".*";
  server.Get(any, handler);
  server.Post(any, handler);
  server.Put(any, handler);
  server.Delete(any, handler);
  server.Options(any, handler);
  server.Patch(any, handler);
  port_ = server.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return false;
  impl_->thread = std::thread([&server] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void LoopbackServer::stop() {
  if (impl_->server) impl_->server->stop();
  if (impl_->thread.joinable()) {
    shutDownAcceptedConnections(port_);
    impl_->thread.join();
  }
}

std::string LoopbackServer::origin() const {
  return std::string(scheme_ == Scheme::https ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

std::vector<TestRequest> LoopbackServer::requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests;
}

std::size_t LoopbackServer::requestCount() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests.size();
}

RawServer::RawServer(ConnectionHandler handler) : handler_(std::move(handler)) {
  listenSocket_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(listenSocket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listenSocket_, 64) != 0 ||
      ::getsockname(listenSocket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { acceptLoop(); });
}

RawServer::~RawServer() {
  ::shutdown(listenSocket_, SHUT_RDWR);
  ::close(listenSocket_);
  if (acceptThread_.joinable()) acceptThread_.join();
  {
    std::lock_guard lock(openMutex_);
    for (int socket : openSockets_) ::shutdown(socket, SHUT_RDWR);
  }
  for (std::thread& connection : connections_) connection.join();
}

void RawServer::acceptLoop() {
  while (true) {
    int socket = ::accept(listenSocket_, nullptr, nullptr);
    if (socket < 0) return;
    int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    {
      std::lock_guard lock(openMutex_);
      openSockets_.insert(socket);
    }
    connections_.emplace_back([this, socket] {
      handler_(socket);
      std::lock_guard lock(openMutex_);
      openSockets_.erase(socket);
      ::close(socket);
    });
  }
}

std::string RawServer::readRequestHead(int socket) {
  std::string head;
  char byte = 0;
  while (head.size() < 65536 && ::recv(socket, &byte, 1, 0) == 1) {
    head.push_back(byte);
    if (head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0) return head;
  }
  return {};
}

void RawServer::writeAll(int socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t result = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (result <= 0) return;
    sent += static_cast<std::size_t>(result);
  }
}

namespace {

int connectToLoopback(int port) {
  int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  if (socket < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(socket);
    return -1;
  }
  int on = 1;
  ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return socket;
}

// Copies bytes both ways until either side ends its stream or fails.
void relay(int client, int upstream) {
  constexpr std::size_t kChunk = 16384;
  char buffer[kChunk];
  pollfd sockets[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
  while (::poll(sockets, 2, -1) > 0) {
    for (int side = 0; side < 2; ++side) {
      if (sockets[side].revents == 0) continue;
      ssize_t got = ::recv(sockets[side].fd, buffer, kChunk, 0);
      if (got <= 0) return;
      RawServer::writeAll(sockets[1 - side].fd, std::string(buffer, static_cast<std::size_t>(got)));
    }
  }
}

bool startsWithIgnoreCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && equalIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

LoopbackProxy::LoopbackProxy(int upstreamPort)
    : upstreamPort_(upstreamPort), server_([this](int socket) { serve(socket); }) {}

std::vector<std::string> LoopbackProxy::heads() const {
  std::lock_guard lock(mutex_);
  return heads_;
}

void LoopbackProxy::serve(int socket) {
  std::string head = RawServer::readRequestHead(socket);
  if (head.empty()) return;
  {
    std::lock_guard lock(mutex_);
    heads_.push_back(head);
  }
  int upstream = connectToLoopback(upstreamPort_);
  if (upstream < 0) {
    RawServer::writeAll(socket, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    return;
  }
  if (head.rfind("CONNECT ", 0) == 0) {
    RawServer::writeAll(socket, "HTTP/1.1 200 Connection established\r\n\r\n");
  } else {
    // "GET http://host:port/path HTTP/1.1" goes on as "GET /path HTTP/1.1".
    std::string forwarded;
    std::size_t lineStart = 0;
    bool requestLine = true;
    while (lineStart < head.size()) {
      std::size_t lineEnd = head.find("\r\n", lineStart);
      std::string line = head.substr(lineStart, lineEnd - lineStart);
      lineStart = lineEnd + 2;
      if (requestLine) {
        requestLine = false;
        std::size_t targetStart = line.find(' ') + 1;
        std::size_t schemeEnd = line.find("://", targetStart);
        std::size_t pathStart = schemeEnd == std::string::npos ? targetStart : line.find('/', schemeEnd + 3);
        forwarded += line.substr(0, targetStart) + line.substr(pathStart) + "\r\n";
      } else if (line.empty()) {
        forwarded += "Connection: close\r\n\r\n";
        break;
      } else if (!startsWithIgnoreCase(line, "Connection:") &&
                 !startsWithIgnoreCase(line, "Proxy-Connection:")) {
        forwarded += line + "\r\n";
      }
    }
    RawServer::writeAll(upstream, forwarded);
  }
  relay(socket, upstream);
  ::close(upstream);
}

RecordingRawServer::RecordingRawServer(std::string reply)
    : reply_(std::move(reply)), server_([this](int socket) {
        std::string head = RawServer::readRequestHead(socket);
        {
          std::lock_guard lock(mutex_);
          lastHead_ = std::move(head);
        }
        RawServer::writeAll(socket, reply_);
      }) {}

std::string RecordingRawServer::lastHead() const {
  std::lock_guard lock(mutex_);
  return lastHead_;
}

}  // namespace nc::testing
