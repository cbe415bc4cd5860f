// Starts of the real Horavel.exe in a temporary device root: a second start only brings the
// first to the front; "s3" and "s-1" end at once without creating anything.
#include "shell/instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <vector>

using namespace hv::shell;

namespace {
QProcessEnvironment deviceEnv(const QTemporaryDir& root) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HORAVEL_DEVICE"), root.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

bool answers(const QString& name) {
    QLocalSocket s;
    s.connectToServer(name);
    return s.waitForConnected(200);
}
} // namespace

TEST(ShellInstance, SecondClaimOnTheSameRootActivatesTheFirst) {
    QTemporaryDir a, b;
    SingleInstance first(a.path().toStdString());
    int activations = 0;
    first.onActivate = [&] { ++activations; };
    ASSERT_TRUE(first.claim());
    SingleInstance other(b.path().toStdString());
    EXPECT_TRUE(other.claim()) << "another device root is another program";
    EXPECT_NE(instanceName(a.path().toStdString()), instanceName(b.path().toStdString()));

    // The second claim blocks while it asks, so the first answers from another process in real
    // use; here its reply is processed afterwards.
    QProcess second;
    second.setProcessEnvironment(deviceEnv(a));
    second.start(QStringLiteral(HORAVEL_EXE), {});
    QElapsedTimer t;
    t.start();
    while (second.state() != QProcess::NotRunning && t.elapsed() < 10000)
        QTest::qWait(20);
    EXPECT_EQ(second.state(), QProcess::NotRunning);
    EXPECT_EQ(second.exitCode(), 0);
    QTest::qWait(50);
    EXPECT_EQ(activations, 1);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(a.path().toStdString()) / "data"))
        << "the second copy built nothing";
}

TEST(ShellInstance, SecondStartOfTheProgramEndsAndTheFirstRuns) {
    QTemporaryDir root;
    QProcess first;
    first.setProcessEnvironment(deviceEnv(root));
    first.start(QStringLiteral(HORAVEL_EXE), {});
    ASSERT_TRUE(first.waitForStarted(5000));
    const QString name = instanceName(root.path().toStdString());
    QElapsedTimer t;
    t.start();
    while (!answers(name) && t.elapsed() < 10000)
        QTest::qWait(50);
    ASSERT_TRUE(answers(name));
    QProcess second;
    second.setProcessEnvironment(deviceEnv(root));
    second.start(QStringLiteral(HORAVEL_EXE), {QStringLiteral("a5")});
    EXPECT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    first.waitForFinished(5000);
}

TEST(ShellInstance, UnknownSkinEndsAtOnce) {
    for (const char* arg : {"s3", "s-1"}) {
        QTemporaryDir root;
        QProcess p;
        p.setProcessEnvironment(deviceEnv(root));
        p.start(QStringLiteral(HORAVEL_EXE), {QString::fromLatin1(arg)});
        ASSERT_TRUE(p.waitForFinished(10000)) << arg;
        EXPECT_EQ(p.exitCode(), 0) << arg;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(root.path().toStdString()) /
                                             "data" / "settings.dat"))
            << arg << ": no views, no settings";
    }
}

// A logout or shutdown ends the program with SIGTERM (a closed terminal with SIGHUP): the exit
// sequence still runs and saves the view state, as "Exit" does.
TEST(ShellProcess, EndSignalsSaveTheStateLikeExit) {
    for (const int sig : {SIGTERM, SIGHUP}) {
        QTemporaryDir root;
        QProcess program;
        program.setProcessEnvironment(deviceEnv(root));
        program.start(QStringLiteral(HORAVEL_EXE), {QStringLiteral("t2")});
        ASSERT_TRUE(program.waitForStarted(5000));
        const QString name = instanceName(root.path().toStdString());
        QElapsedTimer t;
        t.start();
        while (!answers(name) && t.elapsed() < 20000)
            QTest::qWait(50);
        ASSERT_TRUE(answers(name));
        QTest::qWait(300);
        ::kill(static_cast<pid_t>(program.processId()), sig);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << sig;
        QFile f(root.path() + QStringLiteral("/data/settings.dat"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ASSERT_EQ(bytes.size(), 368);
        EXPECT_EQ(static_cast<uint8_t>(bytes[8]), 4) << "lastView: the Timers view, " << sig;
        EXPECT_EQ(static_cast<uint8_t>(bytes[32]), 2) << "lastViewSub: timer 2, " << sig;
    }
}

// --render-all draws each view with only its own child windows: a settings window or list that
// another view owns never stands in front of it, so no two views share their title strip. As a
// first start, it takes the host zone's city as home and keeps it for the next start.
TEST(ShellProcess, RenderAllDrawsEveryViewOnItsOwn) {
    QTemporaryDir root, out;
    QProcess p;
    QProcessEnvironment env = deviceEnv(root);
    env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("data")));
    for (const QString& f : QDir(QStringLiteral(HV_DATA_DIR)).entryList({QStringLiteral("*.cdb")}))
        ASSERT_TRUE(QFile::copy(QStringLiteral(HV_DATA_DIR "/") + f,
                                root.path() + QStringLiteral("/data/") + f));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(HORAVEL_EXE), {QStringLiteral("--render-all"), out.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList files =
        QDir(out.path()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 16);
    std::vector<QImage> titles;
    for (int v = 0; v < 13; ++v) { // the skins have no title strip
        const QImage img(QDir(out.path()).filePath(files[v]));
        // The views and the menu bar below them, no more.
        ASSERT_EQ(img.size(), QSize(480, 536 + 26)) << files[v].toStdString();
        titles.push_back(img.copy(0, 0, 480, 44));
        for (int other = 0; other < v; ++other)
            EXPECT_NE(titles[static_cast<size_t>(v)], titles[static_cast<size_t>(other)])
                << files[v].toStdString() << " and " << files[other].toStdString();
    }
    // A watch skin takes the whole screen.
    EXPECT_EQ(QImage(QDir(out.path()).filePath(files[13])).size(), QSize(480, 640));
    QFile f(root.path() + QStringLiteral("/data/settings.dat"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 368);
    EXPECT_EQ(static_cast<uint8_t>(bytes[12]), 3) << "homeContinent: Europe, Berlin's";
}
