// Requests per second of WebRequest against the curl command-line tool: 2,000 sequential GETs
// of a 10 KB page from a loopback HTTPS server, both reusing one connection. Prints the ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "demo-site/novel_site_server.h"
#include "web/web_request.h"

namespace {

constexpr int kRequests = 2000;

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  nc::demo::SiteOptions options;
  options.port = 0;
  options.content.paragraphsPerChapter = 10;
  options.content.paragraphChars = 320;  // about 10 KB of UTF-8 per chapter page
  nc::demo::NovelSiteServer server(options);
  if (!server.start()) {
    std::fprintf(stderr, "cannot start the loopback server\n");
    return 1;
  }
  std::string url = server.origin() + nc::demo::NovelSiteContent::chapterPath(1, 1);

  std::size_t pageBytes = 0;
  int failures = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRequests; ++i) {
    nc::WebRequestCall call;
    call.url = url;
    nc::WebRequest(call);
    if (call.status != "200 OK") ++failures;
    pageBytes = call.responseBody.size();
  }
  double ours = kRequests / secondsSince(start);

  std::string config = "/tmp/web_bench_curl_" + std::to_string(::getpid()) + ".cfg";
  {
    std::ofstream list(config);
    for (int i = 0; i < kRequests; ++i) list << "url = \"" << url << "\"\noutput = \"/dev/null\"\n";
  }
  start = std::chrono::steady_clock::now();
  int curlStatus = std::system(("curl -sk -K " + config).c_str());
  double curl = kRequests / secondsSince(start);
  std::remove(config.c_str());

  std::printf("page size: %zu bytes, %d requests each, failures: %d\n", pageBytes, kRequests, failures);
  std::printf("%-36s %10.0f requests/s\n", "WebRequest (one thread, sequential)", ours);
  if (curlStatus == 0) {
    std::printf("%-36s %10.0f requests/s\n", "curl (one process, -K list)", curl);
    std::printf("%-36s %10.2f (goal: at least 0.90)\n", "ratio WebRequest / curl", ours / curl);
  } else {
    std::printf("curl failed (exit status %d); no ratio\n", curlStatus);
  }
  return 0;
}
