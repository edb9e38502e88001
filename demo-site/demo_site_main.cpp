// novel-demo-site: serves the demo novel site on loopback until interrupted.
// Prints its origin as the first line of standard output, and a summary when it stops.
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <string>
#include <string_view>
#include <thread>

#include "demo-site/novel_site_server.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
  stopRequested = 1;
}

void printHelp() {
  std::cout <<
      R"HELP(Usage: novel-demo-site [options]
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
  --picture-on TEXT      the About pictures' switch (default true)
  --debug TEXT           the switch that opens the home page at exit (default false)
  --information TEXT     message shown at start when the release is current
  --update-text TEXT     message shown when it is not
  --download-link URL    link opened when it is not (default ORIGIN/download/)
  --picture-1 URL        first About picture (default ORIGIN/wp-content/about-1.png)
  --picture-2 URL        second About picture (default ORIGIN/wp-content/about-2.png)
                         Each notice TEXT may be "json-true" or "json-false" for a JSON boolean,
                         or "(absent)" to leave the member out.
  --notice-raw TEXT      serve TEXT as the notice file instead
  --no-notice            the notice file answers 404
  --quiet                print only the origin line
  --help                 this text
)HELP";
}

bool needValue(int index, int argc, const char* flag) {
  if (index + 1 < argc) return true;
  std::cerr << "novel-demo-site: " << flag << " needs a value\n";
  return false;
}

// A whole decimal number within [low, high], or false.
template <typename Number>
bool parseNumber(std::string_view text, Number low, Number high, Number& value) {
  Number parsed{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc{} || end != text.data() + text.size() || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

bool parseProbability(const std::string& text, double& value) {
  char* end = nullptr;
  double parsed = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(parsed >= 0 && parsed <= 1)) return false;
  value = parsed;
  return true;
}

constexpr int kMaxCount = 1000000;

bool takesValue(std::string_view flag) {
  static constexpr std::string_view kValueFlags[] = {
      "--address",        "--port",          "--pages",           "--books",
      "--chapters",       "--paragraphs",    "--paragraph-chars", "--seed",
      "--latency",        "--threads",       "--fault-reset",     "--fault-500",
      "--fault-truncate", "--fault-stall",   "--stall-ms",        "--fault-seed",
      "--notice-version", "--picture-on",    "--debug",           "--information",
      "--update-text",    "--download-link", "--picture-1",       "--picture-2",
      "--notice-raw"};
  for (std::string_view known : kValueFlags) {
    if (flag == known) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  nc::demo::SiteOptions options;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    bool valid = true;
    auto next = [&]() -> std::string { return argv[++i]; };
    auto count = [&](int low, int high, int& value) { valid = parseNumber(next(), low, high, value); };
    auto seed = [&](std::uint32_t& value) {
      valid = parseNumber<std::uint32_t>(next(), 0, std::numeric_limits<std::uint32_t>::max(), value);
    };
    auto probability = [&](double& value) { valid = parseProbability(next(), value); };
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
    } else if (flag == "--no-notice") {
      options.notice.served = false;
    } else if (!takesValue(flag)) {
      std::cerr << "novel-demo-site: unknown option " << flag << " (see --help)\n";
      return 2;
    } else if (!needValue(i, argc, argv[i])) {
      return 2;
    } else if (flag == "--address") {
      options.address = next();
    } else if (flag == "--port") {
      count(0, 65535, options.port);
    } else if (flag == "--pages") {
      count(0, 100, options.content.pagesPerCategory);
    } else if (flag == "--books") {
      count(0, 1000, options.content.booksPerPage);
    } else if (flag == "--chapters") {
      count(0, 65535, options.content.chaptersPerBook);
    } else if (flag == "--paragraphs") {
      count(0, 10000, options.content.paragraphsPerChapter);
    } else if (flag == "--paragraph-chars") {
      count(0, kMaxCount, options.content.paragraphChars);
    } else if (flag == "--seed") {
      seed(options.content.seed);
    } else if (flag == "--latency") {
      count(0, 600000, options.latencyMs);
    } else if (flag == "--threads") {
      count(1, 1024, options.threads);
    } else if (flag == "--fault-reset") {
      probability(options.faults.resetProbability);
    } else if (flag == "--fault-500") {
      probability(options.faults.errorProbability);
    } else if (flag == "--fault-truncate") {
      probability(options.faults.truncateProbability);
    } else if (flag == "--fault-stall") {
      probability(options.faults.stallProbability);
    } else if (flag == "--stall-ms") {
      count(0, 600000, options.faults.stallMs);
    } else if (flag == "--fault-seed") {
      seed(options.faults.seed);
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
    } else if (flag == "--picture-1") {
      options.notice.pictureUrl1 = next();
    } else if (flag == "--picture-2") {
      options.notice.pictureUrl2 = next();
    } else if (flag == "--notice-raw") {
      options.notice.rawBody = next();
    } else {
      std::cerr << "novel-demo-site: unknown option " << flag << " (see --help)\n";
      return 2;
    }
    if (!valid) {
      std::cerr << "novel-demo-site: " << flag << ": value out of range or not a number: " << argv[i] << "\n";
      return 2;
    }
  }
  const nc::demo::FaultOptions& faults = options.faults;
  if (faults.resetProbability + faults.errorProbability + faults.truncateProbability +
          faults.stallProbability >
      1) {
    std::cerr << "novel-demo-site: the fault probabilities add up to more than 1\n";
    return 2;
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
