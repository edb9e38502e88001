// The demo novel site as a server: listings, category, index and chapter pages, the notice file
// and its pictures, over HTTPS (a certificate made at start) or plain HTTP, on loopback.
//
// Options add a per-request latency (requests still run in parallel) and faults injected with a
// fixed seed: dropped connections, 500 answers, truncated and stalled bodies. Counters of what was
// served are kept for the summary. start, stop and the destructor are called from one thread;
// stats() from any thread; handlers run on the server's own worker threads, which never receive
// SIGPIPE, so a client that goes away cannot end the process hosting the site.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "demo-site/novel_site_content.h"

namespace httplib {
struct Request;
}

namespace nc::demo {

struct FaultOptions {
  // The connection is dropped before any byte of the answer. A client that sent the request on a
  // reused keep-alive connection may send it again at once on a new one, as HTTP clients do.
  double resetProbability = 0;
  double errorProbability = 0;     // "500 Internal Server Error"
  double truncateProbability = 0;  // half the body, then the connection closes
  double stallProbability = 0;     // half the body, a pause of stallMs, then the connection closes
  int stallMs = 2000;
  std::uint32_t seed = 1;
  bool onlyChapters = false;  // faults only on chapter and index pages
};

struct SiteOptions {
  std::string address = "127.0.0.1";
  int port = 8443;  // 0 = any free port
  bool https = true;
  int latencyMs = 0;
  int threads = 64;
  bool hostile = false;  // listings 1-8 and their books carry the hostile pages

  ContentOptions content;
  NoticeOptions notice;
  FaultOptions faults;
};

enum class RequestKind : int { category, listing, index, chapter, notice, picture, other, count };
enum class FaultKind : int { reset, error, truncate, stall, count };

struct SiteStats {
  std::array<std::uint64_t, static_cast<int>(RequestKind::count)> requests{};
  std::array<std::uint64_t, static_cast<int>(FaultKind::count)> faults{};
  std::uint64_t forbidden = 0;  // listings asked for without the category page as referer
  std::uint64_t bytes = 0;

  std::uint64_t totalRequests() const;
  std::uint64_t totalFaults() const;
  // A few lines for people: requests by kind, bytes, faults by kind.
  std::string summary() const;
};

class NovelSiteServer {
 public:
  explicit NovelSiteServer(SiteOptions options = {});
  ~NovelSiteServer();
  NovelSiteServer(const NovelSiteServer&) = delete;
  NovelSiteServer& operator=(const NovelSiteServer&) = delete;

  // Binds and starts serving on a thread of its own; false when the port cannot be bound.
  // A server starts once.
  bool start();
  // Stops listening, drops every open connection (idle keep-alive ones too) and cuts short the
  // latency, stalls and held requests, then waits for the handlers to end.
  void stop();

  int port() const { return port_; }
  // "https://127.0.0.1:PORT" (or http://).
  std::string origin() const;
  const NovelSiteContent& content() const { return content_; }
  SiteStats stats() const;

  struct Impl;

 private:
  // Drops the connection that carried `request`, so the client gets no answer at all.
  void dropOwnConnection(const httplib::Request& request) const;

  SiteOptions options_;
  NovelSiteContent content_;
  std::unique_ptr<Impl> impl_;
  int port_ = 0;
};

}  // namespace nc::demo
