#include "shell/shellfonts.h"

#include <QFile>
#include <QFontDatabase>

namespace hv::shell {

namespace {
QString g_family = QStringLiteral("DejaVu Sans");
bool g_registered = false;
} // namespace

void registerShellFonts() {
    if (g_registered)
        return;
    g_registered = true;
    const char* files[] = {"/usr/share/wine/fonts/tahoma.ttf",
                           "/usr/share/wine/fonts/tahomabd.ttf"};
    for (const char* f : files) {
        if (!QFile::exists(QString::fromLatin1(f)))
            continue;
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(f));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            g_family = families.front();
    }
}

QFont shellFont(int pixelSize, bool bold) {
    QFont f(g_family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

} // namespace hv::shell
