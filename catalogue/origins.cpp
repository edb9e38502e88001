#include "catalogue/origins.h"

#include <cstdlib>

#ifndef NC_NOVEL_SITE_ORIGIN
#define NC_NOVEL_SITE_ORIGIN "https://127.0.0.1:8443"
#endif
#ifndef NC_NOTICE_SERVER_ORIGIN
#define NC_NOTICE_SERVER_ORIGIN "https://127.0.0.1:8443"
#endif

namespace nc {
namespace {

Text originFrom(const char* variable, const char* builtIn) {
  const char* value = std::getenv(variable);
  Text origin = (value != nullptr && *value != '\0') ? Text(value) : Text(builtIn);
  while (!origin.empty() && origin.back() == '/') origin.pop_back();
  return origin;
}

}  // namespace

Text novelSiteOrigin() {
  return originFrom("NOVEL_SITE_ORIGIN", NC_NOVEL_SITE_ORIGIN);
}

Text noticeServerOrigin() {
  return originFrom("NOTICE_SERVER_ORIGIN", NC_NOTICE_SERVER_ORIGIN);
}

}  // namespace nc
