#include "shell/instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLocalSocket>
#include <QTextStream>

namespace hv::shell {

void traceShell(const QString& line) {
    const QString path = qEnvironmentVariable("HORAVEL_SHELL_LOG");
    if (path.isEmpty())
        return;
    QFile f(path);
    if (f.open(QIODevice::Append | QIODevice::Text))
        QTextStream(&f) << QCoreApplication::applicationPid() << ' ' << line << '\n';
}

QString instanceName(const std::filesystem::path& root) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(root, ec);
    if (ec)
        p = root;
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(p.string()), QCryptographicHash::Sha256);
    return QStringLiteral("horavel-") + QString::fromLatin1(hash.toHex().left(24));
}

SingleInstance::SingleInstance(const std::filesystem::path& root) : name_(instanceName(root)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            QObject::connect(s, &QLocalSocket::readyRead, s, [this, s] {
                if (s->readAll().contains("activate") && onActivate)
                    onActivate();
                s->disconnectFromServer();
            });
            QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

bool SingleInstance::askRunning() {
    QLocalSocket s;
    s.connectToServer(name_);
    if (!s.waitForConnected(500))
        return false;
    s.write("activate\n");
    s.waitForBytesWritten(500);
    s.waitForDisconnected(500);
    return true;
}

bool SingleInstance::claim() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (askRunning())
            return false;
        if (server_.listen(name_))
            return true;
        // Nobody answered: the socket is left over from a program that ended without closing it.
        QLocalServer::removeServer(name_);
        if (server_.listen(name_))
            return true;
    }
    return false;
}

} // namespace hv::shell
