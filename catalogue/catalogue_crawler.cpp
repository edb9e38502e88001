#include "catalogue/catalogue_crawler.h"

#include <algorithm>
#include <string>
#include <utility>

#include "catalogue/app_state.h"
#include "catalogue/crawl_handle.h"
#include "catalogue/listing_page.h"
#include "catalogue/site_request.h"
#include "catalogue/user_texts.h"
#include "text/code_page.h"

namespace nc {
namespace {

constexpr std::string_view kPagePlaceholder = "**";
constexpr std::string_view kRefererHeader = "Referer:";

Text replaceAll(Text text, std::string_view from, const Text& to) {
  for (std::size_t at = text.find(from); at != Text::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

struct CatalogueCrawler::Crawl {
  std::shared_ptr<CrawlHandle> handle;
  std::thread thread;
};

CatalogueCrawler::CatalogueCrawler(AppState& state, BookList& books, Notifier& notifier,
                                   CrawlerOptions options)
    : state_(state), books_(books), notifier_(notifier), options_(std::move(options)) {}

CatalogueCrawler::~CatalogueCrawler() {
  std::vector<std::unique_ptr<Crawl>> crawls;
  {
    std::lock_guard lock(mutex_);
    crawls.swap(crawls_);
  }
  for (auto& crawl : crawls) crawl->handle->requestStop();
  for (auto& crawl : crawls) {
    if (crawl->thread.joinable()) crawl->thread.join();
  }
}

bool CatalogueCrawler::start() {
  if (state_.listingTemplate().empty()) {
    notifier_.showMessage(utf8ToText(texts::kChooseCategoryFirst), MessageIcon::information);
    return false;
  }
  auto crawl = std::make_unique<Crawl>();
  crawl->handle = std::make_shared<CrawlHandle>();
  std::lock_guard lock(mutex_);
  joinFinishedLocked();
  crawl->thread = std::thread([this, handle = crawl->handle] { run(handle); });
  state_.setCrawlThread(crawl->handle);
  crawls_.push_back(std::move(crawl));
  return true;
}

void CatalogueCrawler::stop() {
  const std::shared_ptr<CrawlHandle> handle = state_.crawlThread();
  if (!handle) {
    notifier_.showMessage(utf8ToText(texts::kCrawlStopFailed), MessageIcon::information);
    return;
  }
  handle->requestStop();
  // The crawl thread never waits for this thread while it is crawling, so this wait is short:
  // an aborted request returns at once and no row is appended after the stop was seen.
  const bool stopped = handle->waitUntilNotCrawling(kStopWait);
  notifier_.showMessage(utf8ToText(stopped ? texts::kCrawlStopped : texts::kCrawlStopFailed),
                        MessageIcon::information);
}

std::size_t CatalogueCrawler::runningCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(crawls_.begin(), crawls_.end(), [](const auto& crawl) {
    return crawl->handle->phase() != CrawlHandle::Phase::finished;
  }));
}

bool CatalogueCrawler::waitAll(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::vector<std::shared_ptr<CrawlHandle>> handles;
  {
    std::lock_guard lock(mutex_);
    for (const auto& crawl : crawls_) handles.push_back(crawl->handle);
  }
  for (const auto& handle : handles) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (!handle->waitUntilFinished(std::max(left, std::chrono::milliseconds(0)))) return false;
  }
  return true;
}

void CatalogueCrawler::joinFinishedLocked() {
  auto finished = std::stable_partition(crawls_.begin(), crawls_.end(), [](const auto& crawl) {
    return crawl->handle->phase() != CrawlHandle::Phase::finished;
  });
  for (auto it = finished; it != crawls_.end(); ++it) {
    if ((*it)->thread.joinable()) (*it)->thread.join();
  }
  crawls_.erase(finished, crawls_.end());
}

void CatalogueCrawler::run(const std::shared_ptr<CrawlHandle>& handle) {
  const int maxPages = std::clamp(options_.maxPages, 1, CrawlerOptions::kMaxPages);
  CrawlEnd end = CrawlEnd::pageLimitReached;
  std::size_t rowsAppended = 0;
  for (int page = 1; page <= maxPages; ++page) {
    if (handle->stopRequested()) {
      end = CrawlEnd::stopped;
      break;
    }
    // Both URLs from one read, so a category change mid-crawl applies whole from this page on.
    const CategoryUrls urls = state_.categoryUrls();
    SiteRequest request;
    request.url = replaceAll(urls.listingTemplate, kPagePlaceholder, std::to_string(page));
    request.extraHeaders = Text(kRefererHeader) + urls.refererUrl;
    request.timeoutSeconds = options_.requestTimeoutSeconds;
    request.cancel = handle->cancelToken();
    const SiteReply reply =
        requestSitePageWithRetries(request, RetryPolicy{options_.maxAttempts, options_.retryPause});
    if (handle->stopRequested()) {
      end = CrawlEnd::stopped;
      break;
    }
    if (!reply.ok) {
      // A page that cannot be loaded is a failure, not the end of the listing.
      end = page == 1 ? CrawlEnd::nothingFound : CrawlEnd::pageFailed;
      break;
    }
    const std::vector<ListingItem> items = readListingPage(utf8ToText(textUpToZero(reply.body)));
    if (items.empty()) {
      end = page == 1 ? CrawlEnd::nothingFound : CrawlEnd::listingEnded;
      break;
    }
    for (const ListingItem& item : items) {
      if (handle->stopRequested()) break;
      books_.appendRow({options_.origin + item.urlList, item.author, item.articleName, item.intro});
      ++rowsAppended;
    }
    if (handle->stopRequested()) {
      end = CrawlEnd::stopped;
      break;
    }
  }
  handle->setPhase(CrawlHandle::Phase::closing);
  if (end == CrawlEnd::nothingFound || end == CrawlEnd::pageFailed || end == CrawlEnd::listingEnded) {
    notifier_.showMessage(
        utf8ToText(end == CrawlEnd::listingEnded ? texts::kCrawlComplete : texts::kCrawlFailed),
        MessageIcon::information);
  }
  if (options_.onFinished) options_.onFinished(end, rowsAppended);
  handle->setPhase(CrawlHandle::Phase::finished);
}

}  // namespace nc
