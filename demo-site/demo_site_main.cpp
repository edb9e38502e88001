// novel-demo-site: serves the demo novel site on loopback until interrupted.
// Prints its origin as the first line of standard output, and a summary when it stops.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include "demo-site/novel_site_server.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
  stopRequested = 1;
}

void printHelp() {
  std::cout <<
      R"(Usage: novel-demo-site [options]
Serves a generated web-novel site (listings, index and chapter pages, the notice file) on loopback.

  --address ADDR         address to listen on (default 127.0.0.1)
  --port N               port (default 8443; 0 = any free port)
  --http                 plain HTTP instead of HTTPS with a self-signed certificate
  --pages N              listing pages per category (default 3)
  --books N              books per listing page (default 20)
  --chapters N           chapters per book (default 30)
  --paragraphs N         paragraphs per chapter (default 8)
  --paragraph-chars N    characters per paragraph (default 60)
  --seed N               content seed (default 1)
  --plain-titles         no hostile book titles and no repeated chapter title
  --hostile              listings 1-8 attack the client: 100,000 books, JSON nested 100,000 deep,
                         invalid UTF-8, a redirect loop, no answer at all, titles that try to leave
                         the directory, an index of 100,000 links, a 50 MB chapter page
  --latency MS           delay of every answer in milliseconds (default 0)
  --threads N            server threads (default 64)
  --fault-reset P        probability of a dropped connection after the headers
  --fault-500 P          probability of a 500 answer
  --fault-truncate P     probability of a body cut in half
  --fault-stall P        probability of a stalled, then cut body
  --stall-ms MS          length of a stall (default 2000)
  --fault-seed N         seed of the fault draw (default 1)
  --faults-on-pages-only faults only on index and chapter pages
  --notice-version TEXT  release named by the notice (default v1.1)
  --picture-on TEXT      "true", "false", or "json-true" for the JSON boolean (default true)
  --debug TEXT           the notice's debug switch (default false)
  --information TEXT     message shown at start when the release is current
  --update-text TEXT     message shown when it is not
  --download-link URL    link opened when it is not
  --quiet                print only the origin line
  --help                 this text
)";
}

bool needValue(int index, int argc, const char* flag) {
  if (index + 1 < argc) return true;
  std::cerr << "novel-demo-site: " << flag << " needs a value\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  nc::demo::SiteOptions options;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::string flag = argv[i];
    auto next = [&]() -> std::string { return argv[++i]; };
    auto number = [&]() { return std::atoi(argv[++i]); };
    auto probability = [&]() { return std::atof(argv[++i]); };
    if (flag == "--help" || flag == "-h") {
      printHelp();
      return 0;
    } else if (flag == "--http") {
      options.https = false;
    } else if (flag == "--quiet") {
      quiet = true;
    } else if (flag == "--hostile") {
      options.hostile = true;
    } else if (flag == "--plain-titles") {
      options.content.hostileTitles = false;
    } else if (flag == "--faults-on-pages-only") {
      options.faults.onlyChapters = true;
    } else if (!needValue(i, argc, argv[i])) {
      return 2;
    } else if (flag == "--address") {
      options.address = next();
    } else if (flag == "--port") {
      options.port = number();
    } else if (flag == "--pages") {
      options.content.pagesPerCategory = number();
    } else if (flag == "--books") {
      options.content.booksPerPage = number();
    } else if (flag == "--chapters") {
      options.content.chaptersPerBook = number();
    } else if (flag == "--paragraphs") {
      options.content.paragraphsPerChapter = number();
    } else if (flag == "--paragraph-chars") {
      options.content.paragraphChars = number();
    } else if (flag == "--seed") {
      options.content.seed = static_cast<std::uint32_t>(number());
    } else if (flag == "--latency") {
      options.latencyMs = number();
    } else if (flag == "--threads") {
      options.threads = number();
    } else if (flag == "--fault-reset") {
      options.faults.resetProbability = probability();
    } else if (flag == "--fault-500") {
      options.faults.errorProbability = probability();
    } else if (flag == "--fault-truncate") {
      options.faults.truncateProbability = probability();
    } else if (flag == "--fault-stall") {
      options.faults.stallProbability = probability();
    } else if (flag == "--stall-ms") {
      options.faults.stallMs = number();
    } else if (flag == "--fault-seed") {
      options.faults.seed = static_cast<std::uint32_t>(number());
    } else if (flag == "--notice-version") {
      options.notice.version = next();
    } else if (flag == "--picture-on") {
      options.notice.pictureOn = next();
    } else if (flag == "--debug") {
      options.notice.debug = next();
    } else if (flag == "--information") {
      options.notice.information = next();
    } else if (flag == "--update-text") {
      options.notice.updateText = next();
    } else if (flag == "--download-link") {
      options.notice.downloadLink = next();
    } else {
      std::cerr << "novel-demo-site: unknown option " << flag << " (see --help)\n";
      return 2;
    }
  }

  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  std::signal(SIGPIPE, SIG_IGN);
  nc::demo::NovelSiteServer server(options);
  if (!server.start()) {
    std::cerr << "novel-demo-site: cannot listen on " << options.address << ":" << options.port << "\n";
    return 1;
  }
  std::cout << server.origin() << std::endl;
  if (!quiet) {
    std::cerr << "novel-demo-site: "
              << nc::demo::kCategoryCount * options.content.pagesPerCategory * options.content.booksPerPage
              << " books in 9 categories; Ctrl+C stops\n";
  }
  while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  server.stop();
  if (!quiet) std::cerr << server.stats().summary();
  return 0;
}
