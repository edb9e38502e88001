// The two origins of the program: the novel site and the notice server.
//
// Each is a build setting (scheme and host, optional port, no trailing slash), overridden at run
// time by the environment variable of the same name (NOVEL_SITE_ORIGIN, NOTICE_SERVER_ORIGIN)
// when it is set and not empty; a trailing slash in either is dropped. Read afresh on every
// call; safe from any thread as long as nobody changes the environment meanwhile.
#pragma once

#include "text/text.h"

namespace nc {

// Origin of the novel site: the listing and referer URLs, the prefix of site-relative links.
Text novelSiteOrigin();

// Origin of the notice server: the remote notice file and its home page.
Text noticeServerOrigin();

}  // namespace nc
