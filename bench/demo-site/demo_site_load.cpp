// Load check of the demo site: chapter pages per second over HTTPS with keep-alive connections,
// at latency 0 and with 20 connections at 20 ms latency each. Prints the figures.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "demo-site/novel_site_server.h"
#include "web/web_request.h"

namespace {

struct Scenario {
  const char* name;
  int latencyMs;
  int connections;
  int requests;
};

double run(const Scenario& scenario, std::uint64_t& failures) {
  nc::demo::SiteOptions options;
  options.port = 0;
  options.latencyMs = scenario.latencyMs;
  nc::demo::NovelSiteServer server(options);
  if (!server.start()) return 0;
  std::atomic<int> next{0};
  std::atomic<std::uint64_t> failed{0};
  int books = server.content().bookCount();
  int chapters = server.content().options().chaptersPerBook;
  auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < scenario.connections; ++c) {
    clients.emplace_back([&] {
      for (int i = next++; i < scenario.requests; i = next++) {
        nc::WebRequestCall call;
        call.url = server.origin() + nc::demo::NovelSiteContent::chapterPath(1 + i % books, 1 + i % chapters);
        call.disableRedirects = true;
        nc::WebRequest(call);
        if (call.status != "200 OK") ++failed;
      }
    });
  }
  for (std::thread& client : clients) client.join();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  failures = failed.load();
  return scenario.requests / seconds;
}

}  // namespace

int main() {
  const Scenario scenarios[] = {
      {"latency 0 ms, 4 connections", 0, 4, 20000},
      {"latency 0 ms, 20 connections", 0, 20, 20000},
      {"latency 20 ms, 1 connection", 20, 1, 200},
      {"latency 20 ms, 20 connections", 20, 20, 4000},
  };
  std::printf("%-34s %14s %10s\n", "demo site, chapter pages", "pages/s", "failures");
  for (const Scenario& scenario : scenarios) {
    std::uint64_t failures = 0;
    double rate = run(scenario, failures);
    std::printf("%-34s %14.0f %10llu\n", scenario.name, rate, static_cast<unsigned long long>(failures));
  }
  std::printf("(goals: at least 5,000 pages/s at latency 0; about 1,000 pages/s for 20 connections at 20 ms)\n");
  return 0;
}
