// Conversions between the core's code page 936 Text and Qt strings.
//
// Every conversion goes through text/ (UTF-8 in between), never through Qt's codecs. Stateless;
// safe from any thread.
#pragma once

#include <QString>

#include "text/text.h"

namespace nc {

QString toQString(const Text& text);
Text fromQString(const QString& string);

// A UTF-8 literal (the window's own texts) as a QString.
QString fromUtf8(std::string_view utf8);

}  // namespace nc
