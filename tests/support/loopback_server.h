// Loopback servers for tests and benchmarks (library nc::test_support):
// - LoopbackServer: an HTTP or HTTPS server (cpp-httplib) with scripted routes that records
//   every request. HTTPS uses a key and self-signed certificate made in memory at start.
//   TCP_NODELAY is on and connections are kept alive, so sequential clients reuse one
//   connection without waiting for delayed acknowledgements; stop() ends idle connections
//   at once instead of waiting for their keep-alive time.
// - RawServer: a TCP server whose connections a test handles byte by byte (cut bodies, silent
//   peers, malformed replies).
// - LoopbackProxy: an HTTP proxy (plain requests and CONNECT tunnels) in front of one port.
//
// All listen on 127.0.0.1 on a free port chosen by the system and stop in their destructors.
// Route handlers and connection handlers run on the servers' own threads; the accessors are
// safe from any thread.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace nc::testing {

struct TestRequest {
  std::string method;
  std::string path;                                          // without the query
  std::string target;                                        // path and query as sent
  std::map<std::string, std::string> query;                  // decoded query parameters
  std::vector<std::pair<std::string, std::string>> headers;  // names as sent
  std::string body;
  int remotePort = 0;  // the client's port: equal ports mean one reused connection

  // The first header with this name, compared without regard to case; empty when absent.
  std::string header(const std::string& name) const;
  bool hasHeader(const std::string& name) const;
};

struct TestResponse {
  int status = 200;
  std::string body;
  std::string contentType = "text/html; charset=utf-8";
  std::vector<std::pair<std::string, std::string>> headers;
};

using RouteHandler = std::function<TestResponse(const TestRequest&)>;

class LoopbackServer {
 public:
  enum class Scheme { http, https };

  explicit LoopbackServer(Scheme scheme = Scheme::http);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Routes are matched by exact path, for any method; add them before start().
  void route(const std::string& path, RouteHandler handler);

  // Starts listening; false when the server could not start.
  bool start();
  void stop();

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT".
  std::string origin() const;

  // Every request received so far, in arrival order.
  std::vector<TestRequest> requests() const;
  std::size_t requestCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  Scheme scheme_;
  int port_ = 0;
};

// A TCP server that hands each accepted connection to a handler with its socket descriptor.
// The handler may read, write and return; the connection is closed afterwards. The destructor
// shuts down the connections still open (a handler blocked on its socket then sees the end of
// the stream) and waits for every handler to return.
class RawServer {
 public:
  using ConnectionHandler = std::function<void(int socket)>;

  explicit RawServer(ConnectionHandler handler);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int port() const { return port_; }
  std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // Reads one request head (up to the blank line) from the socket; empty on failure.
  static std::string readRequestHead(int socket);
  static void writeAll(int socket, const std::string& bytes);

 private:
  void acceptLoop();

  ConnectionHandler handler_;
  int listenSocket_ = -1;
  int port_ = 0;
  std::thread acceptThread_;
  std::vector<std::thread> connections_;  // touched by the accept thread, then the destructor
  std::mutex openMutex_;
  std::set<int> openSockets_;  // guarded by openMutex_; a socket leaves the set before it closes
};

// An HTTP proxy on loopback that sends everything on to one upstream port on 127.0.0.1, whatever
// host a request names (so tests may use invented host names). CONNECT opens a tunnel
// ("200 Connection established", then bytes both ways); a plain request in absolute form goes
// upstream in origin form with "Connection: close", and its answer comes back unchanged.
class LoopbackProxy {
 public:
  explicit LoopbackProxy(int upstreamPort);

  int port() const { return server_.port(); }
  // "127.0.0.1:PORT", the form a proxy setting takes.
  std::string address() const { return "127.0.0.1:" + std::to_string(port()); }

  // The request heads the proxy received (a CONNECT line or a plain request), in arrival order.
  std::vector<std::string> heads() const;

 private:
  void serve(int socket);

  int upstreamPort_;
  mutable std::mutex mutex_;
  std::vector<std::string> heads_;  // guarded by mutex_
  RawServer server_;                // last: its threads use the members above
};

// Blocks the calling thread; a helper for handlers that play a slow server.
inline void sleepFor(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

// A RawServer that reads each request head, keeps the latest one, and answers with `reply`.
class RecordingRawServer {
 public:
  explicit RecordingRawServer(std::string reply);

  int port() const { return server_.port(); }
  std::string origin() const { return server_.origin(); }
  // The head of the latest request, request line first, ending in the blank line.
  std::string lastHead() const;

 private:
  const std::string reply_;
  mutable std::mutex mutex_;
  std::string lastHead_;
  RawServer server_;  // last: it starts after, and stops before, the members it uses
};

}  // namespace nc::testing
