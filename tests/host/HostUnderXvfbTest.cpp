#include "ServerProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// An X server on a free display for the life of the object.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return;
        // Xvfb picks a free display itself and writes its number once it listens: two tests
        // started at once never pick the same one.
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                              QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        QByteArray said;
        while (!said.contains('\n') && m_server.waitForReadyRead(10000))
            said += m_server.readAllStandardOutput();
        bool number = false;
        m_display = said.trimmed().toInt(&number);
        m_up = number && m_server.state() == QProcess::Running;
    }
    ~VirtualDisplay()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    bool up() const { return m_up; }
    QString name() const { return QStringLiteral(":%1").arg(m_display); }

private:
    QProcess m_server;
    int m_display = -1;
    bool m_up = false;
};

// What `xdotool` prints for the arguments on the display, trimmed.
QString xdotool(const VirtualDisplay &display, const QStringList &arguments)
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.name());
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished(20000);
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

// Runs kzr-host on the display; gives its output, and whether it ended well. `focused`: whether
// the host's window had the keyboard once shown, asked of the X server (no window manager here).
bool runHost(const VirtualDisplay &display, const QStringList &arguments, QString *output,
             bool *focused = nullptr)
{
    QProcess host;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.name());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    host.setProcessEnvironment(environment);
    host.setProcessChannelMode(QProcess::MergedChannels);
    host.start(QStringLiteral(KZR_HOST_PROGRAM), arguments);
    if (focused) {
        const QString window = xdotool(display, {QStringLiteral("search"), QStringLiteral("--sync"),
                                                 QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                                 QStringLiteral("^KZR$")});
        for (int tries = 0; tries < 20 && !*focused; ++tries, QThread::msleep(50))
            *focused = !window.isEmpty() && xdotool(display, {QStringLiteral("getwindowfocus")}) == window;
    }
    const bool finished = host.waitForFinished(60000);
    *output = QString::fromLocal8Bit(host.readAll());
    return finished && host.exitStatus() == QProcess::NormalExit && host.exitCode() == 0;
}

// A painted window, not an empty frame: many distinct colours.
int colourCount(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

} // namespace

// The real program on a real X server: loads a package from its folder, opens the screen named
// on the command line and writes a screenshot (kept as a test artifact).
TEST(HostUnderXvfb, OpensTheScreenInARealWindowAndSavesAScreenshot)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb is not installed (apt-get install xvfb); the real-window run is skipped";
    VirtualDisplay display;
    ASSERT_TRUE(display.up()) << "Xvfb did not come up";

    // The host looks for the screen's package by its product name in the package folder.
    QTemporaryDir packages;
    ASSERT_TRUE(QFile::copy(QStringLiteral(KZR_PACKAGE_DIR "/libPkg_kzrtest_ok.so"),
                            packages.filePath(QStringLiteral("libPkg_kzr01200.so"))));
    QDir().mkpath(QStringLiteral(KZR_ARTIFACT_DIR));
    const QString shot = QStringLiteral(KZR_ARTIFACT_DIR "/kzr-host-KZR01200.png");
    QFile::remove(shot);

    // The host logs in before it opens anything.
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    const QString password = packages.filePath(QStringLiteral("senha"));
    QFile file(password);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(server.password().toUtf8() + '\n');
    file.close();

    QString output;
    EXPECT_TRUE(runHost(display, {QStringLiteral("--package-dir"), packages.path(), QStringLiteral("--server"),
                                  QStringLiteral("127.0.0.1"), QStringLiteral("--port"), QString::number(server.port()),
                                  QStringLiteral("--user"), server.userName(), QStringLiteral("--password-file"), password,
                                  QStringLiteral("--settings"), packages.filePath(QStringLiteral("kzr-host.ini")),
                                  QStringLiteral("--open"), QStringLiteral("KZR01200"), QStringLiteral("--screenshot"), shot},
                        &output))
        << output.toStdString();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull()) << "no screenshot at " << shot.toStdString() << "\n" << output.toStdString();
    EXPECT_GE(image.width(), 800);
    EXPECT_GE(image.height(), 500);
    EXPECT_GT(colourCount(image), 10);
}

// The product's own screen package and application server, when this build has them beside the
// host: the whole road from the menu entry to the server's list, on a real display.
TEST(HostUnderXvfb, OpensTheRealScreenAgainstARealServer)
{
    const QString bin = QFileInfo(QStringLiteral(KZR_HOST_PROGRAM)).absolutePath();
    const QString server = bin + QStringLiteral("/kzr-appserver");
    if (!QFile::exists(bin + QStringLiteral("/libPkg_kzr01200.so")) || !QFile::exists(server))
        GTEST_SKIP() << "the screen package or kzr-appserver is not built in " << bin.toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb is not installed (apt-get install xvfb); the real-window run is skipped";
    VirtualDisplay display;
    ASSERT_TRUE(display.up());

    QTemporaryDir data;
    QProcess appserver;
    appserver.setProcessChannelMode(QProcess::MergedChannels);
    appserver.start(server, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--database"),
                             QStringLiteral("sqlite:") + data.filePath(QStringLiteral("kzr.sqlite"))});
    ASSERT_TRUE(appserver.waitForStarted(5000));
    // The server says where it listens once it is ready ("... pronto em HOST:PORT ...").
    QString banner;
    for (int i = 0; i < 100 && !banner.contains(QStringLiteral("pronto")); ++i) {
        appserver.waitForReadyRead(100);
        banner += QString::fromLocal8Bit(appserver.readAll());
    }
    static const QRegularExpression listening(QStringLiteral("127\\.0\\.0\\.1:(\\d+)"));
    const QRegularExpressionMatch port = listening.match(banner);
    ASSERT_TRUE(port.hasMatch()) << banner.toStdString();

    QDir().mkpath(QStringLiteral(KZR_ARTIFACT_DIR));
    const QString shot = QStringLiteral(KZR_ARTIFACT_DIR "/kzr-host-KZR01200-real.png");
    QFile::remove(shot);
    QString output;
    bool focused = false;
    // The demo user, as scripts/run logs in, with settings of the test's own.
    QFile password(data.filePath(QStringLiteral("senha")));
    ASSERT_TRUE(password.open(QIODevice::WriteOnly));
    password.write("demo\n");
    password.close();
    const bool ok = runHost(display, {QStringLiteral("--server"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                                      port.captured(1), QStringLiteral("--open"), QStringLiteral("KZR01200"),
                                      QStringLiteral("--user"), QStringLiteral("demo"), QStringLiteral("--password-file"),
                                      password.fileName(), QStringLiteral("--settings"),
                                      data.filePath(QStringLiteral("kzr-host.ini")), QStringLiteral("--screenshot"), shot},
                            &output, &focused);
    appserver.terminate();
    appserver.waitForFinished(5000);
    EXPECT_TRUE(ok) << output.toStdString();
    // The screens' shortcuts act only in the active window.
    EXPECT_TRUE(focused) << "the host's window did not have the keyboard";
    const QImage image(shot);
    ASSERT_FALSE(image.isNull()) << output.toStdString();
    EXPECT_GT(colourCount(image), 10);
}

// The refused delete and the unsent change end to end, with the real dialogs on a real display:
// the scenario runs in a process of its own (RealScreenOnDisplay) and leaves its screenshots.
TEST(HostUnderXvfb, ARefusedDeleteAndAnUnsentChangeEndToEnd)
{
    const QString bin = QFileInfo(QStringLiteral(KZR_HOST_PROGRAM)).absolutePath();
    if (!QFile::exists(bin + QStringLiteral("/libPkg_kzr01200.so")) || !QFile::exists(bin + QStringLiteral("/kzr-appserver")))
        GTEST_SKIP() << "the screen package or kzr-appserver is not built in " << bin.toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb is not installed (apt-get install xvfb); the real-window run is skipped";
    VirtualDisplay display;
    ASSERT_TRUE(display.up());
    const QStringList shots = {QStringLiteral(KZR_ARTIFACT_DIR "/kzr-host-unsent-change.png"),
                               QStringLiteral(KZR_ARTIFACT_DIR "/kzr-host-close-question.png")};
    for (const QString &shot : shots)
        QFile::remove(shot);

    QProcess scenario;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.name());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("KZR_ON_DISPLAY"), QStringLiteral("1"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    scenario.setProcessEnvironment(environment);
    scenario.setProcessChannelMode(QProcess::MergedChannels);
    scenario.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--gtest_filter=RealScreenOnDisplay.ARefusedDeleteAndAnUnsentChange")});
    const bool finished = scenario.waitForFinished(120000);
    const QString output = QString::fromLocal8Bit(scenario.readAll());
    ASSERT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(scenario.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
    for (const QString &shot : shots) {
        const QImage image(shot);
        ASSERT_FALSE(image.isNull()) << "no screenshot at " << shot.toStdString();
        EXPECT_GT(colourCount(image), 10);
    }
}
