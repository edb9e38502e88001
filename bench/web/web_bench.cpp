// Requests per second of WebRequest against the curl command-line tool: 2,000 sequential GETs
// of a 10 KB page from a loopback HTTPS server (TCP_NODELAY on), both reusing one connection.
// Rounds alternate between the two so that a busy machine weighs on both alike; the medians
// and their ratio are printed.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/loopback_server.h"
#include "web/web_request.h"

namespace {

constexpr int kRequests = 2000;
constexpr int kRounds = 5;
constexpr std::size_t kPageBytes = 10 * 1024;

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// One round of WebRequest on a fresh client, so that it starts with a new connection and TLS
// handshake as each curl round does; returns requests per second and counts the replies that
// were not whole.
double webRequestRound(const std::string& url, int& failures) {
  auto start = std::chrono::steady_clock::now();
  nc::HttpClient client;
  for (int i = 0; i < kRequests; ++i) {
    nc::WebRequestCall call;
    call.url = url;
    call.client = &client;
    nc::WebRequest(call);
    if (call.status != "200 OK" || call.responseBody.size() != kPageBytes) ++failures;
  }
  return kRequests / secondsSince(start);
}

// One round of the curl tool over a -K list of the same URLs; 0 when curl failed.
double curlRound(const std::string& config) {
  auto start = std::chrono::steady_clock::now();
  int status = std::system(("curl -sk --fail -K " + config).c_str());
  double rate = kRequests / secondsSince(start);
  return status == 0 ? rate : 0.0;
}

}  // namespace

int main() {
  nc::testing::LoopbackServer server(nc::testing::LoopbackServer::Scheme::https);
  const std::string page(kPageBytes, 'x');
  server.route("/page", [&page](const nc::testing::TestRequest&) {
    return nc::testing::TestResponse{200, page, "text/html; charset=utf-8", {}};
  });
  if (!server.start()) {
    std::fprintf(stderr, "cannot start the loopback server\n");
    return 1;
  }
  const std::string url = server.origin() + "/page";

  const std::string config = "/tmp/web_bench_curl_" + std::to_string(::getpid()) + ".cfg";
  {
    std::ofstream list(config);
    for (int i = 0; i < kRequests; ++i) list << "url = \"" << url << "\"\noutput = \"/dev/null\"\n";
  }

  int failures = 0;
  webRequestRound(url, failures);  // warm-up: TLS set-up, allocator, page cache
  failures = 0;
  std::vector<double> ours;
  std::vector<double> theirs;
  for (int round = 0; round < kRounds; ++round) {
    ours.push_back(webRequestRound(url, failures));
    theirs.push_back(curlRound(config));
  }
  std::remove(config.c_str());

  std::printf("page size: %zu bytes, %d requests per round, %d rounds, failed replies: %d\n", kPageBytes,
              kRequests, kRounds, failures);
  std::printf("%-38s %8.0f requests/s (median)\n", "WebRequest (one thread, sequential)", median(ours));
  if (std::find(theirs.begin(), theirs.end(), 0.0) != theirs.end()) {
    std::printf("curl failed in a round; no ratio\n");
    return 1;
  }
  std::printf("%-38s %8.0f requests/s (median)\n", "curl (one process, -K list)", median(theirs));
  std::printf("%-38s %8.2f (goal: at least 0.90)\n", "ratio WebRequest / curl", median(ours) / median(theirs));
  return 0;
}
