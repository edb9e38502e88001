#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

#include "demo-site/self_signed_certificate.h"

namespace nc::testing {
namespace {

// Kept-alive connections hold a server thread this long after their last request; stop()
// waits for them, so it stays short.
constexpr time_t kKeepAliveSeconds = 1;

bool equalIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
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
      if (key == "REMOTE_ADDR" || key == "REMOTE_PORT" || key == "LOCAL_ADDR" || key == "LOCAL_PORT") continue;
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

LoopbackServer::~LoopbackServer() { stop(); }

void LoopbackServer::route(const std::string& path, RouteHandler handler) { impl_->routes[path] = std::move(handler); }

bool LoopbackServer::start() {
  if (scheme_ == Scheme::https) {
    if (!impl_->certificate.valid()) return false;
    impl_->server = std::make_unique<httplib::SSLServer>(impl_->certificate.certificate(), impl_->certificate.key());
  } else {
    impl_->server = std::make_unique<httplib::Server>();
  }
  httplib::Server& server = *impl_->server;
  server.set_tcp_nodelay(true);
  server.set_keep_alive_timeout(kKeepAliveSeconds);
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
  if (impl_->thread.joinable()) impl_->thread.join();
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
  for (std::thread& connection : connections_) connection.join();
}

void RawServer::acceptLoop() {
  while (true) {
    int socket = ::accept(listenSocket_, nullptr, nullptr);
    if (socket < 0) return;
    int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connections_.emplace_back([this, socket] {
      handler_(socket);
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

}  // namespace nc::testing
