// Image and sound generator: draws every picture the programs load and the
// default alarm sounds, at build time.
//
// usage: hv_imagegen --map <land rings file> --out <image folder> [--sounds <folder>]
//                    [--qrc <file>] [--preview <folder>]
//        hv_imagegen --icons <folder>
// Writes <out>/<resource number>.png for every picture (and <number>@3x.png for
// the clock faces drawn three times larger), the WAV files into the
// sounds folder, and optionally a Qt resource list naming the pictures. With --icons it writes
// the desktop icon alone, as <folder>/<size>x<size>/apps/<name>.png and scalable/apps/<name>.svg.

#include "draw.h"
#include "sounds.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

using namespace imagegen;

namespace {

// Reads the ring list written by tools/maps/topojson_to_rings.js:
// "R <count>" lines followed by <count> lines of hundredths of degrees.
std::vector<std::vector<QPointF>> readRings(const QString& path, bool& ok) {
    std::vector<std::vector<QPointF>> rings;
    QFile f(path);
    ok = f.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!ok)
        return rings;
    QTextStream in(&f);
    std::vector<QPointF>* ring = nullptr;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('R')) {
            rings.emplace_back();
            ring = &rings.back();
            continue;
        }
        const QStringList parts = line.split(' ', Qt::SkipEmptyParts);
        if (!ring || parts.size() != 2) {
            ok = false;
            return rings;
        }
        ring->emplace_back(parts[0].toInt() / 100.0, parts[1].toInt() / 100.0);
    }
    return rings;
}

// The offscreen platform wants no runtime folder; Qt's note that there is none says nothing here.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);

    QString mapPath, outDir, soundDir, qrcPath, previewDir, iconDir;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString key = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (key == "--map")
            mapPath = value;
        else if (key == "--out")
            outDir = value;
        else if (key == "--sounds")
            soundDir = value;
        else if (key == "--preview")
            previewDir = value;
        else if (key == "--qrc")
            qrcPath = value;
        else if (key == "--icons")
            iconDir = value;
        else {
            std::fprintf(stderr, "hv_imagegen: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (!iconDir.isEmpty() && mapPath.isEmpty()) {
        if (writeIcons(iconDir, QString::fromLatin1(kIconName)))
            return 0;
        std::fprintf(stderr, "hv_imagegen: cannot write the icons in %s\n", qPrintable(iconDir));
        return 1;
    }
    if (mapPath.isEmpty() || outDir.isEmpty()) {
        std::fprintf(stderr, "usage: hv_imagegen --map FILE --out DIR [--sounds DIR] [--qrc FILE] "
                             "[--preview DIR]\n"
                             "       hv_imagegen --icons DIR\n");
        return 2;
    }

    bool ok = false;
    const auto land = readRings(mapPath, ok);
    if (!ok || land.empty()) {
        std::fprintf(stderr, "hv_imagegen: cannot read the land rings in %s\n",
                     qPrintable(mapPath));
        return 1;
    }

    Catalogue pictures;
    drawInterface(pictures);
    drawFaces(pictures);
    drawAstro(pictures, land);
    drawSkins(pictures);

    // The faces and the world maps again at kDetailedFaceScale times their size, as
    // "<id>@3x.png".
    Catalogue detailed;
    drawFaces(detailed, kDetailedFaceScale);
    drawMaps(detailed, land, kDetailedFaceScale);
    const QString detailedSuffix = QStringLiteral("@%1x").arg(kDetailedFaceScale);

    QDir().mkpath(outDir);
    for (const auto* group : {&pictures, &detailed}) {
        const QString suffix = group == &detailed ? detailedSuffix : QString();
        for (const auto& [id, img] : *group) {
            const QString file = QDir(outDir).filePath(QString::number(id) + suffix + ".png");
            if (!img.save(file, "PNG", 9)) {
                std::fprintf(stderr, "hv_imagegen: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    if (!qrcPath.isEmpty()) {
        QFile qrc(qrcPath);
        if (!qrc.open(QIODevice::WriteOnly | QIODevice::Text))
            return 1;
        QTextStream s(&qrc);
        s << "<RCC>\n  <qresource prefix=\"/img\">\n";
        for (const auto& [id, img] : pictures)
            s << "    <file alias=\"" << id << ".png\">"
              << QDir(outDir).filePath(QString::number(id) + ".png") << "</file>\n";
        for (const auto& [id, img] : detailed)
            s << "    <file alias=\"" << id << detailedSuffix << ".png\">"
              << QDir(outDir).filePath(QString::number(id) + detailedSuffix + ".png")
              << "</file>\n";
        s << "  </qresource>\n</RCC>\n";
    }
    if (!previewDir.isEmpty() && !writePreviews(pictures, previewDir)) {
        std::fprintf(stderr, "hv_imagegen: cannot write the previews in %s\n",
                     qPrintable(previewDir));
        return 1;
    }
    if (!soundDir.isEmpty() && !writeSounds(soundDir)) {
        std::fprintf(stderr, "hv_imagegen: cannot write the sounds in %s\n", qPrintable(soundDir));
        return 1;
    }
    return 0;
}
