// The user-visible texts of the catalogue and download logic, in UTF-8.
//
// Convert with utf8ToText where a code page 936 Text is needed. Constants only; safe from
// any thread.
#pragma once

#include <array>
#include <string_view>

namespace nc::texts {

// Caption of every message box that names no other caption.
inline constexpr std::string_view kMessageCaption = "信息：";

// Catalogue crawl.
inline constexpr std::string_view kChooseCategoryFirst = "请先到【下载设置】中进行选择分类后再尝试！";
inline constexpr std::string_view kCrawlFailed = "获取失败！该网站可能已被GFW封锁，请切换网络环境后重试！";
inline constexpr std::string_view kCrawlComplete = "已经全部获取完毕！";
inline constexpr std::string_view kCrawlStopped = "已销毁获取线程";
inline constexpr std::string_view kCrawlStopFailed = "销毁线程未能成功！";

// Download dispatch.
inline constexpr std::string_view kChooseThreadMode = "请前往【多线程设置】进行设置线程模式后重试";
inline constexpr std::string_view kChooseDownloadDir = "请先到【目录设置】中选择保存路径后再尝试！";
inline constexpr std::string_view kDownloadAlreadyRunning = "当前已有下载任务正在进行！";

// Book download status cell: kProgressPrefix + j + kProgressMiddle + total + kProgressSuffix.
inline constexpr std::string_view kProgressPrefix = "当前下载：";
inline constexpr std::string_view kProgressMiddle = " / ";
inline constexpr std::string_view kProgressSuffix = " 章节总数";
inline constexpr std::string_view kChapterWithoutText = "此小说已被删除或无法下载";
// Appended to the last progress text of a book: kFailedPrefix + count + kFailedSuffix.
inline constexpr std::string_view kFailedPrefix = "（";
inline constexpr std::string_view kFailedSuffix = " 章下载失败）";

// Markers of the site's pages.
inline constexpr std::string_view kChapterTotalStart = "content=\"第";
inline constexpr std::string_view kChapterTotalEnd = "章";
inline constexpr std::string_view kQuoteMarker = "#引号";

// Titles of the six book list columns.
inline constexpr std::array<std::string_view, 6> kBookColumnTitles = {"序号",     "小说链接", "作者",
                                                                      "小说书名", "小说简介", "下载状态"};

}  // namespace nc::texts
