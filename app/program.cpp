#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/gui_notifier.h"
#include "catalogue/app_state.h"
#include "catalogue/book_list.h"
#include "catalogue/catalogue_crawler.h"
#include "catalogue/category_table.h"
#include "catalogue/origins.h"
#include "download/download_dispatcher.h"

namespace nc {
namespace {

std::mutex& exitMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void()>& registeredExitRoutine() {
  static std::function<void()> routine;
  return routine;
}

}  // namespace

Program::Program(WindowServices& services)
    : state_(std::make_unique<AppState>()),
      books_(std::make_unique<BookList>()),
      notifier_(std::make_unique<GuiNotifier>(services)),
      categories_(std::make_unique<CategoryTable>(novelSiteOrigin())) {
  CrawlerOptions crawlerOptions;
  crawlerOptions.origin = novelSiteOrigin();
  crawler_ = std::make_unique<CatalogueCrawler>(*state_, *books_, *notifier_, crawlerOptions);
  DispatcherOptions dispatcherOptions;
  dispatcherOptions.origin = novelSiteOrigin();
  dispatcher_ = std::make_unique<DownloadDispatcher>(*state_, *books_, *notifier_, dispatcherOptions);
}

Program::~Program() {
  exitRoutine();
}

bool Program::exitRoutine() {
  if (exitRoutineRuns_ > 0) return false;
  ++exitRoutineRuns_;
  // Workers waiting for a message box go on at once, so they can be stopped and joined.
  notifier_->close();
  dispatcher_.reset();
  crawler_.reset();
  // Frees the texts and shuts downloadPool down.
  state_.reset();
  return true;
}

void registerExitRoutine(std::function<void()> routine) {
  std::lock_guard lock(exitMutex());
  registeredExitRoutine() = std::move(routine);
}

void EndProgram(int exitCode) {
  std::function<void()> routine;
  {
    std::lock_guard lock(exitMutex());
    routine.swap(registeredExitRoutine());
  }
  if (routine) routine();
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

}  // namespace nc
