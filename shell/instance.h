// One running main program per device root: the first start listens on a local socket named
// after the root; a later start finds it, asks it to come to the front, and ends.
#pragma once

#include <QLocalServer>
#include <QString>

#include <filesystem>
#include <functional>

namespace hv::shell {

// A line per happening of the running program (started, activated, ended, ...) in the file
// HORAVEL_SHELL_LOG names, after the process id; nothing without it (for tests and diagnosis).
void traceShell(const QString& line);

// The socket name for a device root.
QString instanceName(const std::filesystem::path& root);

class SingleInstance {
public:
    explicit SingleInstance(const std::filesystem::path& root);
    // True when this process is the first: it now answers later starts. False when another
    // instance runs; it has been asked to come to the front.
    bool claim();
    // Called in the first instance when a later start asks for the front.
    std::function<void()> onActivate;

private:
    bool askRunning();
    QString name_;
    QLocalServer server_;
};

} // namespace hv::shell
