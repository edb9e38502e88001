// Counters of a running download and the summary of a finished one.
//
// DownloadProgress is updated by the download's threads and read by anyone (plain atomics);
// snapshot() gives a consistent-enough copy for a progress line.
#pragma once

#include <atomic>
#include <cstddef>

namespace nc {

struct DownloadSummary {
  std::size_t books = 0;             // rows the job went through
  std::size_t chaptersWritten = 0;   // chapter files (or merged chapters) written
  std::size_t chaptersFailed = 0;    // chapters given up after every attempt
  std::size_t chaptersEmpty = 0;     // chapter pages without paragraphs
  std::size_t indexPagesFailed = 0;  // books whose chapter-index page could not be loaded
  bool stopped = false;              // ended by a stop request
};

struct DownloadProgress {
  std::atomic<std::size_t> booksTotal{0};
  std::atomic<std::size_t> booksDone{0};
  std::atomic<std::size_t> chaptersListed{0};  // links found in the index pages so far
  std::atomic<std::size_t> chaptersDone{0};    // finished, written or failed
  std::atomic<std::size_t> chaptersFailed{0};

  struct Snapshot {
    std::size_t booksTotal, booksDone, chaptersListed, chaptersDone, chaptersFailed;
  };
  Snapshot snapshot() const {
    return {booksTotal.load(), booksDone.load(), chaptersListed.load(), chaptersDone.load(),
            chaptersFailed.load()};
  }
  void reset() {
    booksTotal = 0;
    booksDone = 0;
    chaptersListed = 0;
    chaptersDone = 0;
    chaptersFailed = 0;
  }
};

}  // namespace nc
