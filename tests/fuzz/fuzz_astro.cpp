// The sun, Moon, terminator and time-scale computations and their horavel-cli commands under
// arbitrary input: no crash, no value outside its documented range.
#include "astro/moon.h"
#include "astro/sun.h"
#include "astro/terminator.h"
#include "cli/commands.h"
#include "timescales/timescales.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Reader {
    const uint8_t* p;
    size_t n;
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v = v << 8 | (n ? *p : 0);
            if (n) {
                ++p;
                --n;
            }
        }
        return v;
    }
    // A value in [lo, hi].
    double range(double lo, double hi) { return lo + (hi - lo) * (u32() / 4294967295.0); }
    int pick(int lo, int hi) { return lo + static_cast<int>(u32() % uint32_t(hi - lo + 1)); }
};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void Computations(Reader& r) {
    using namespace hv::astro;
    const int year = r.pick(1600, 2400), month = r.pick(1, 12), day = r.pick(1, 28);
    const SunTimes s = SunRiseSet(r.range(-90, 90), r.range(-180, 180), r.range(-14, 14),
                                  SunZenithForType(r.pick(0, 3)), year, month, day);
    Check(s.rise >= -1 && s.rise < 1440 && s.set >= -1 && s.set < 1440);

    const MoonReport m =
        EvaluateMoon(MoonClockOf(year, month, day, r.pick(0, 23), r.pick(0, 59), r.pick(0, 59)),
                     r.pick(0, 1) == 1);
    Check(m.position.visible >= 0 && m.position.visible <= 100);
    Check(m.look.picture >= 0 && m.look.picture <= 23);
    Check(m.phases.next[0].jd >= m.clock.jd && m.phases.lastNew < m.clock.jd);

    const int w = r.pick(1, 800), h = r.pick(1, 800);
    const hv::dev::SystemTime utc{2006,
                                  static_cast<uint16_t>(month),
                                  0,
                                  static_cast<uint16_t>(r.pick(1, 31)),
                                  static_cast<uint16_t>(r.pick(0, 23)),
                                  static_cast<uint16_t>(r.pick(0, 59)),
                                  0,
                                  0};
    const Terminator t = TerminatorAt(utc, w, h);
    for (int16_t y : t.rows)
        Check(y >= 0 && y <= h);
    for (const NightRun& run : NightRuns(t, h))
        Check(run.x0 < run.x1 && run.x1 <= w && run.y >= 0 && run.y < h);
    const MapPlace p = PlaceAtPoint(r.pick(-10, w + 10), r.pick(-10, h + 10), w, h);
    Check(p.latDegrees >= 0 && p.latDegrees <= 90 && p.lonDegrees >= 0 && p.lonDegrees <= 180);

    // Any bytes as city rules.
    const uint32_t a = r.u32(), b = r.u32();
    hv::CityRecord ref{}, row{};
    ref.gmtOffset = static_cast<int16_t>(a);
    ref.dstUsed = static_cast<uint8_t>(a >> 16) & 1;
    ref.dstStart = static_cast<uint8_t>(a >> 24);
    ref.dstStartMonth = static_cast<uint8_t>(b);
    ref.dstEnd = static_cast<uint8_t>(b >> 8);
    ref.dstEndMonth = static_cast<uint8_t>(b >> 16);
    row.gmtOffset = static_cast<int16_t>(b);
    row.dstUsed = static_cast<uint8_t>(b >> 16) & 1;
    row.dstStart = static_cast<uint8_t>(a);
    row.dstStartMonth = static_cast<uint8_t>(a >> 8);
    row.dstEnd = static_cast<uint8_t>(b >> 24);
    row.dstEndMonth = static_cast<uint8_t>(a >> 24);
    const hv::dev::SystemTime local{static_cast<uint16_t>(r.pick(1601, 30827)),
                                    static_cast<uint16_t>(r.pick(0, 13)),
                                    0,
                                    static_cast<uint16_t>(r.pick(0, 32)),
                                    static_cast<uint16_t>(r.pick(0, 25)),
                                    static_cast<uint16_t>(r.pick(0, 61)),
                                    0,
                                    0};
    (void)hv::TimeCalcRow(ref, local, row);
    const hv::YearProgressValues v =
        hv::YearProgress(r.pick(1, 30826), static_cast<hv::ProgressUnit>(r.pick(0, 3)), local);
    Check(v.passed.whole >= 0 && v.passed.tenth >= 0 && v.passed.tenth <= 9);
    Check(v.remained.whole >= 0 && v.remained.tenth >= 0 && v.remained.tenth <= 9);
    (void)hv::LocalFromBeats(static_cast<int>(r.u32()), local);
}

void Command(const uint8_t* data, size_t size) {
    static const char* const kCommands[] = {"sun", "moon", "beats", "timecalc", "year-progress"};
    std::vector<std::string> args{kCommands[size ? data[0] % 5 : 0]};
    std::string cur;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(static_cast<char>(data[i]));
        }
    }
    if (!cur.empty())
        args.push_back(cur);
    std::ostringstream out, err;
    const int rc = hv::cli::runCli(args, out, err);
    Check(rc >= 0 && rc <= 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader r{data, size};
    Computations(r);
    Command(data, size);
    return 0;
}
