// A tiny novel site on 127.0.0.1 (plain HTTP, ephemeral port) whose pages a test sets up.
//
// Pages are set before or while serving; every request is logged. A page may be told to fail
// its first N requests with status 503, or to answer slowly. The server stops in the destructor.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nc::testing {

class FakeSite {
 public:
  FakeSite() {
    server_.set_tcp_nodelay(true);
    server_.set_keep_alive_max_count(1);  // no idle connection keeps the server from stopping
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      std::string target = request.path;
      if (!request.params.empty()) {
        std::string query;
        for (const auto& [key, value] : request.params)
          query += (query.empty() ? "" : "&") + key + "=" + value;
        target += "?" + query;
      }
      Page page;
      bool fail = false;
      {
        std::lock_guard lock(mutex_);
        log_.push_back({target, request.get_header_value("Referer")});
        auto found = pages_.find(target);
        if (found == pages_.end()) {
          response.status = 404;
          return;
        }
        if (found->second.failuresLeft > 0) {
          --found->second.failuresLeft;
          fail = true;
        }
        page = found->second;
      }
      const auto until = std::chrono::steady_clock::now() + page.delay;
      while (!stopping_ && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      if (fail) {
        response.status = 503;
        return;
      }
      response.status = 200;
      response.set_content(page.body, page.contentType);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~FakeSite() {
    stopping_ = true;
    server_.stop();
    thread_.join();
  }

  std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

  void setPage(const std::string& target, std::string body,
               const std::string& contentType = "text/html; charset=utf-8") {
    std::lock_guard lock(mutex_);
    Page& page = pages_[target];
    page.body = std::move(body);
    page.contentType = contentType;
  }
  void failFirst(const std::string& target, int count) {
    std::lock_guard lock(mutex_);
    pages_[target].failuresLeft = count;
  }
  void setDelay(const std::string& target, std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    pages_[target].delay = delay;
  }

  struct Hit {
    std::string target;
    std::string referer;
  };
  std::vector<Hit> log() const {
    std::lock_guard lock(mutex_);
    return log_;
  }
  std::size_t hits(const std::string& target) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const Hit& hit : log_) count += hit.target == target ? 1 : 0;
    return count;
  }

 private:
  struct Page {
    std::string body;
    std::string contentType;
    int failuresLeft = 0;
    std::chrono::milliseconds delay{0};
  };

  std::atomic<bool> stopping_{false};
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::map<std::string, Page> pages_;
  std::vector<Hit> log_;
};

// An index page in the site's format: the chapter total, then one link per path.
inline std::string indexPage(const std::string& total, const std::vector<std::string>& paths) {
  std::string page =
      "<html><head><meta name=\"description\" content=\"第" + total + "章 最新\"></head><body>\n";
  for (const std::string& path : paths) page += "<dd><a href =\"" + path + "\">章节</a></dd>\n";
  return page + "</body></html>";
}

// A chapter page in the site's format: each paragraph between its own pair of double breaks.
inline std::string chapterPage(const std::string& title, const std::vector<std::string>& paragraphs) {
  std::string page = "<html><body><h1><span class=\"title\">" + title + "</span></h1><div id=\"content\">";
  for (const std::string& paragraph : paragraphs) page += "<br /><br />" + paragraph + "<br /><br />\n";
  return page + "</div></body></html>";
}

}  // namespace nc::testing
