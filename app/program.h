// Start-up and end of the program: the program-wide objects and the exit routine.
//
// A Program holds the AppState (made first, with its empty downloadPool), the book list, the
// notifier that shows core messages on the window thread, the category table, the catalogue
// crawler and the download dispatcher. Its exit routine runs exactly once, whichever way the
// program ends: it releases waiting workers, stops crawls and downloads, and destroys the
// AppState, which shuts downloadPool down (queued tasks dropped, no wait). EndProgram runs the
// registered exit routine and ends the process at once. Construct, use and destroy on the
// window thread.
#pragma once

#include <functional>
#include <memory>

namespace nc {

class AppState;
class BookList;
class CatalogueCrawler;
class CategoryTable;
class DownloadDispatcher;
class GuiNotifier;
class WindowServices;

class Program {
 public:
  explicit Program(WindowServices& services);
  ~Program();  // runs the exit routine if it has not run yet
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Valid until the exit routine has run.
  AppState& state() { return *state_; }
  BookList& books() { return *books_; }
  GuiNotifier& notifier() { return *notifier_; }
  const CategoryTable& categories() const { return *categories_; }
  CatalogueCrawler& crawler() { return *crawler_; }
  DownloadDispatcher& dispatcher() { return *dispatcher_; }

  // The exit routine; later calls do nothing. True when this call ran it.
  bool exitRoutine();
  int exitRoutineRuns() const { return exitRoutineRuns_; }

 private:
  std::unique_ptr<AppState> state_;
  std::unique_ptr<BookList> books_;
  std::unique_ptr<GuiNotifier> notifier_;
  std::unique_ptr<CategoryTable> categories_;
  std::unique_ptr<CatalogueCrawler> crawler_;
  std::unique_ptr<DownloadDispatcher> dispatcher_;
  int exitRoutineRuns_ = 0;
};

// Makes `routine` the one EndProgram runs (an empty function removes it).
void registerExitRoutine(std::function<void()> routine);

// Runs the registered exit routine (once) and ends the process with `exitCode`.
[[noreturn]] void EndProgram(int exitCode);

}  // namespace nc
