#include "sounds.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace imagegen {
namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Partial {
    double ratio; // frequency relative to the note
    double level; // starting amplitude
    double decay; // time constant in seconds
};

// Bell-like partials: a clear fundamental, a soft octave and a few
// inharmonic overtones that die away quickly.
const std::vector<Partial> kBell = {
    {1.0, 1.0, 0.9}, {2.0, 0.35, 0.55}, {2.76, 0.18, 0.25}, {4.07, 0.08, 0.15}, {5.4, 0.04, 0.1}};
// Mallet (marimba-like): mostly the fundamental with a bright fourth partial.
const std::vector<Partial> kMallet = {{1.0, 1.0, 0.35}, {4.0, 0.22, 0.06}, {9.9, 0.05, 0.02}};
// Soft electronic beep: fundamental with a little third harmonic.
const std::vector<Partial> kBeep = {{1.0, 1.0, 10.0}, {3.0, 0.12, 10.0}};

double noteHz(int semitonesFromA4) {
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

void addNote(std::vector<double>& buf, double start, double hz, double length,
             const std::vector<Partial>& partials, double gain) {
    const int first = int(start * kRate);
    const int count = int(length * kRate);
    if (int(buf.size()) < first + count)
        buf.resize(first + count, 0.0);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        const double attack = std::min(1.0, t / 0.004);            // no click
        const double release = std::min(1.0, (length - t) / 0.03); // soft end
        double v = 0;
        for (const Partial& p : partials)
            v += p.level * std::exp(-t / p.decay) * std::sin(2 * kPi * hz * p.ratio * t);
        buf[first + i] += gain * attack * std::max(0.0, release) * v;
    }
}

bool writeWav(const QString& path, const std::vector<double>& samples) {
    double peak = 1e-9;
    for (double s : samples)
        peak = std::max(peak, std::abs(s));
    const double scale = 0.7 * 32767.0 / peak; // about -3 dB below full scale
    QByteArray data;
    data.reserve(int(samples.size() * 2));
    for (double s : samples) {
        const auto v = int16_t(std::lround(std::clamp(s * scale, -32767.0, 32767.0)));
        data.append(char(v & 0xff));
        data.append(char((v >> 8) & 0xff));
    }
    auto u32 = [](QByteArray& b, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.append(char((v >> (8 * i)) & 0xff));
    };
    auto u16 = [](QByteArray& b, uint16_t v) {
        b.append(char(v & 0xff));
        b.append(char(v >> 8));
    };
    QByteArray file("RIFF");
    u32(file, uint32_t(36 + data.size()));
    file.append("WAVEfmt ");
    u32(file, 16);
    u16(file, 1);         // PCM
    u16(file, 1);         // mono
    u32(file, kRate);     // sample rate
    u32(file, kRate * 2); // bytes per second
    u16(file, 2);         // block align
    u16(file, 16);        // bits per sample
    file.append("data");
    u32(file, uint32_t(data.size()));
    file.append(data);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(file) == file.size();
}

} // namespace

bool writeSounds(const QString& folder) {
    if (!QDir().mkpath(folder))
        return false;
    std::vector<std::pair<QString, std::vector<double>>> sounds;

    { // Alarm1: two-note door chime, E5 then C5.
        std::vector<double> b;
        addNote(b, 0.0, noteHz(7), 1.6, kBell, 1.0);
        addNote(b, 0.45, noteHz(3), 1.8, kBell, 0.9);
        sounds.emplace_back("Alarm1.wav", b);
    }
    { // Alarm2: rising mallet arpeggio C5 E5 G5 C6.
        std::vector<double> b;
        const int notes[] = {3, 7, 10, 15};
        for (int i = 0; i < 4; ++i)
            addNote(b, i * 0.14, noteHz(notes[i]), 0.9, kMallet, 1.0);
        sounds.emplace_back("Alarm2.wav", b);
    }
    { // Alarm3: three short soft beeps, twice.
        std::vector<double> b;
        for (int g = 0; g < 2; ++g)
            for (int i = 0; i < 3; ++i)
                addNote(b, g * 0.7 + i * 0.15, noteHz(12 + 3), 0.09, kBeep, 1.0);
        sounds.emplace_back("Alarm3.wav", b);
    }
    { // Alarm4: four-note tower chime (G#4 F#4 E4 B3).
        std::vector<double> b;
        const int notes[] = {-1, -3, -5, -10};
        for (int i = 0; i < 4; ++i)
            addNote(b, i * 0.5, noteHz(notes[i]), 1.6, kBell, 1.0);
        sounds.emplace_back("Alarm4.wav", b);
    }
    { // Alarm5: a single glass bell stroke, A5 with a quiet fifth above.
        std::vector<double> b;
        addNote(b, 0.0, noteHz(12), 2.2, kBell, 1.0);
        addNote(b, 0.0, noteHz(19), 1.2, kBell, 0.25);
        sounds.emplace_back("Alarm5.wav", b);
    }
    for (const auto& [name, samples] : sounds)
        if (!writeWav(QDir(folder).filePath(name), samples))
            return false;
    return true;
}

} // namespace imagegen
