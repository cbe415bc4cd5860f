#include "device/text.h"

#include <QString>

namespace hv::dev {

QString toQString(std::u16string_view s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

std::u16string fromQString(const QString& s) {
    return s.toStdU16String();
}

std::u16string fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toStdU16String();
}

std::string toUtf8(std::u16string_view s) {
    return toQString(s).toStdString();
}

} // namespace hv::dev
