// The window's own texts, in UTF-8 (convert with fromUtf8 for Qt, utf8ToText for the core).
//
// Constants only; safe from any thread.
#pragma once

#include <array>
#include <string_view>

#include "app/qt_text.h"
#include "catalogue/user_texts.h"

namespace nc::texts {

inline constexpr std::string_view kDirectoryLabelPrefix = "当前选择路径为：\r\n\r\n";
inline constexpr std::string_view kFolderBrowserTitle = "选择保存目录";
inline constexpr std::string_view kConfigFileName = "config.ini";
inline constexpr std::string_view kConfigSection = "Config";
inline constexpr std::string_view kConfigKey = "路径";

inline constexpr std::string_view kExitQuestion = "亲爱的小主~ 您真的要退出此程序嘛~~";
inline constexpr std::string_view kExitCaption = "退出";

inline constexpr std::string_view kReleaseText = "v1.1";
inline constexpr std::string_view kNoticePath = "/wp-content/novel_crawler.json";

inline constexpr std::array<std::string_view, 9> kCategoryEntries = {"玄幻", "武侠", "都市", "历史",  "网游",
                                                                     "科幻", "女生", "完本", "排行榜"};

inline constexpr std::string_view kVersionText = "\r\n版本信息\r\n\r\n当前版本：1.1\r\n\r\nBy:Orvane";

inline constexpr std::string_view kHelpText =
    "\r\n使用说明\r\n\r\n首先在【下载设置】中选择你要爬取的分类 -> "
    "再回到【爬虫区域】中，点击开始获取\r\n\r\n多线程：\r\n"
    "如果您需要多线程下载，首先你需要在【多线程设置】中，把使用多线程下载勾选对勾即可\r\n"
    "注意：多线程中的线程数，尽量保持默认即可。如果最大线程数调至很高，目标网站可能会将您的IP地址进行屏蔽！"
    "\r\n\r\n目录设置：\r\n在下载之前，目录的选择必须要先选择保存的路径\r\n\r\n下载设置：\r\n"
    "在下载设置中不建议勾选[ 把所有章节合并到一个文本当中 ]"
    "因为这个过程非常缓慢。这个我并未测试，不能完全保证最后的结果是正确的。当然，您完全可以自行尝试一下，"
    "并且我希望能得到您的反馈！\r\n\r\n爬虫区域中部分数据可能显示不准确，这并不影响程序运行结果\r\n\r\n\r\n\r"
    "\n";

}  // namespace nc::texts
