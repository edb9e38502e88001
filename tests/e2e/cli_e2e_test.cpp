// novel-crawler-cli against the demo site: crawl into a list, download the list.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "tests/e2e/demo_fixture.h"

namespace nc {
namespace {

struct CliRun {
  int exitCode = -1;
  std::string output;  // standard output
};

// Runs the command line front end with the site's origin in the environment.
CliRun runCli(const std::string& origin, const std::string& arguments) {
  const std::string command =
      "NOVEL_SITE_ORIGIN='" + origin + "' '" NC_CLI_PATH "' " + arguments + " 2>/dev/null";
  CliRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, got);
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(CliE2eTest, CrawlThenDownloadTheList) {
  demo::SiteOptions options = testing::smallSite();
  options.content.hostileTitles = false;
  auto site = testing::startDemoSite(options);
  testing::TempDir temp;

  const CliRun crawl = runCli(site->origin(), "crawl 0 --pages 1");
  ASSERT_EQ(crawl.exitCode, 0);
  const auto entries = site->content().listing(1, 1);
  ASSERT_EQ(std::count(crawl.output.begin(), crawl.output.end(), '\n'), 3);
  EXPECT_EQ(crawl.output.substr(0, crawl.output.find('\n')), "0\t" + site->origin() + entries[0].urlList +
                                                                 "\t" + entries[0].author + "\t" +
                                                                 entries[0].title + "\t" + entries[0].intro);

  const std::string list = temp.path() + "/list.tsv";
  { std::ofstream(list) << crawl.output; }
  const CliRun download =
      runCli(site->origin(), "download --list '" + list + "' --dir '" + temp.path() + "/out' --threads 5:10");
  EXPECT_EQ(download.exitCode, 0);
  EXPECT_EQ(testing::filesBelow(temp.path() + "/out"), testing::expectedFiles(*site, 1, 3, false));

  const CliRun json = runCli(site->origin(), "crawl 玄幻 --json --pages 1");
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_EQ(json.output.rfind("{\"index\":\"0\",\"url\":", 0), 0u);
}

TEST(CliE2eTest, FailuresShowInTheExitStatus) {
  demo::SiteOptions options = testing::smallSite();
  options.faults.errorProbability = 1.0;
  options.faults.onlyChapters = true;
  auto site = testing::startDemoSite(options);
  testing::TempDir temp;
  const std::string book = site->origin() + site->content().listing(1, 1)[0].urlList;
  const CliRun download =
      runCli(site->origin(), "download --url '" + book + "' --dir '" + temp.path() + "' --retry-pause 1");
  EXPECT_EQ(download.exitCode, 1);

  site->stop();
  EXPECT_EQ(runCli(site->origin(), "crawl 0").exitCode, 3);
  EXPECT_EQ(runCli(site->origin(), "crawl 99").exitCode, 2);
  EXPECT_EQ(runCli(site->origin(), "download --dir x").exitCode, 2);
}

}  // namespace
}  // namespace nc
