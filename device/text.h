// Text at the edges of the programs. Inside, text is UTF-16 (std::u16string, as the device's
// services take it); Qt's strings hold the same code units, and files, command lines and host
// paths are UTF-8.
#pragma once

#include <string>
#include <string_view>

// Declared only, so that the UTF-8 users need no Qt headers (Qt's keywords clash with GLib's).
class QString;

namespace hv::dev {

// The same UTF-16 code units as a Qt string and back.
QString toQString(std::u16string_view s);
std::u16string fromQString(const QString& s);

// UTF-8 <-> UTF-16 as Qt converts: malformed or cut UTF-8 becomes U+FFFD (never swallowing the
// bytes after it), a lone surrogate becomes '?'.
std::u16string fromUtf8(std::string_view s);
std::string toUtf8(std::u16string_view s);

} // namespace hv::dev
