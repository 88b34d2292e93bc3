#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// A display number nobody uses: no lock file and no socket.
int freeDisplay()
{
    for (int display = 91; display < 140; ++display) {
        if (!QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)) &&
            !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)))
            return display;
    }
    return -1;
}

} // namespace

// The real program on a real X server: loads a package from its folder, opens the screen named
// on the command line and writes a screenshot (kept as a test artifact).
TEST(HostUnderXvfb, OpensTheScreenInARealWindowAndSavesAScreenshot)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed (apt-get install xvfb); the real-window run is skipped";
    const int display = freeDisplay();
    ASSERT_GT(display, 0) << "no free X display number";

    QProcess server;
    server.start(xvfb, {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted(5000));
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
    for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(socket)) << "Xvfb did not come up: " << server.readAllStandardError().toStdString();

    // The host looks for the screen's package by its product name in the package folder.
    QTemporaryDir packages;
    ASSERT_TRUE(QFile::copy(QStringLiteral(KZR_PACKAGE_DIR "/libPkg_kzrtest_ok.so"),
                            packages.filePath(QStringLiteral("libPkg_kzr01200.so"))));
    QDir().mkpath(QStringLiteral(KZR_ARTIFACT_DIR));
    const QString shot = QStringLiteral(KZR_ARTIFACT_DIR "/kzr-host-KZR01200.png");
    QFile::remove(shot);

    QProcess host;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    host.setProcessEnvironment(environment);
    host.setProcessChannelMode(QProcess::MergedChannels);
    host.start(QStringLiteral(KZR_HOST_PROGRAM),
               {QStringLiteral("--package-dir"), packages.path(), QStringLiteral("--server"), QStringLiteral("127.0.0.1"),
                QStringLiteral("--port"), QStringLiteral("21201"), QStringLiteral("--open"), QStringLiteral("KZR01200"),
                QStringLiteral("--screenshot"), shot});
    const bool finished = host.waitForFinished(60000);
    const QString output = QString::fromLocal8Bit(host.readAll());
    server.terminate();
    server.waitForFinished(5000);
    ASSERT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(host.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(host.exitCode(), 0) << output.toStdString();

    const QImage image(shot);
    ASSERT_FALSE(image.isNull()) << "no screenshot at " << shot.toStdString() << "\n" << output.toStdString();
    EXPECT_GE(image.width(), 800);
    EXPECT_GE(image.height(), 500);
    // A painted window, not an empty frame: many distinct colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 10);
}
