#include "device/zonechanges.h"

#include <QDateTime>
#include <QTimeZone>

namespace hv::dev {

namespace {

QTimeZone zoneOf(const std::string& ianaId) {
    return ianaId.empty() ? QTimeZone::systemTimeZone()
                          : QTimeZone(QByteArray::fromStdString(ianaId));
}

} // namespace

std::vector<ZoneChange> zoneChanges(const std::string& ianaId, int64_t from, int64_t to) {
    std::vector<ZoneChange> out;
    const QTimeZone zone = zoneOf(ianaId);
    if (!zone.isValid() || to <= from)
        return out;
    const QDateTime start = QDateTime::fromSecsSinceEpoch(from, QTimeZone::utc());
    int prev = zone.offsetFromUtc(start) / 60;
    // Transitions between two instants, both included, are those after from - 1.
    for (const auto& t :
         zone.transitions(start, QDateTime::fromSecsSinceEpoch(to - 1, QTimeZone::utc()))) {
        const int64_t at = t.atUtc.toSecsSinceEpoch();
        const int offset = t.offsetFromUtc / 60;
        if (at < from || at >= to || offset == prev)
            continue;
        out.push_back({at, prev, offset});
        prev = offset;
    }
    return out;
}

int zoneOffsetAt(const std::string& ianaId, int64_t at) {
    const QTimeZone zone = zoneOf(ianaId);
    return zone.isValid()
               ? zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(at, QTimeZone::utc())) / 60
               : 0;
}

bool zoneKnown(const std::string& ianaId) {
    return zoneOf(ianaId).isValid();
}

int offsetFromChanges(int initial, const std::vector<ZoneChange>& changes, int64_t at) {
    int offset = initial;
    for (const ZoneChange& c : changes) {
        if (c.at > at)
            break;
        offset = c.after;
    }
    return offset;
}

} // namespace hv::dev
