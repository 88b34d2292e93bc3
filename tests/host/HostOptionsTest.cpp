#include "HostOptions.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(HostOptions, TheCommandLineWinsOverTheSettingsFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kzr-host.ini"));
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.setValue(QStringLiteral("server/host"), QStringLiteral("servidor.ini"));
        settings.setValue(QStringLiteral("server/port"), 4000);
    }
    QString error;
    HostOptions fromFile = HostOptions::fromArguments({QStringLiteral("kzr-host"), QStringLiteral("--settings"), file}, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(fromFile.server, QStringLiteral("servidor.ini"));
    EXPECT_EQ(fromFile.port, 4000);

    HostOptions both = HostOptions::fromArguments(
        {QStringLiteral("kzr-host"), QStringLiteral("--settings"), file, QStringLiteral("--server"),
         QStringLiteral("linha.de.comando"), QStringLiteral("--port"), QStringLiteral("5555"),
         QStringLiteral("--open"), QStringLiteral("KZR01200"), QStringLiteral("--screenshot"), QStringLiteral("/tmp/x.png")},
        &error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(both.server, QStringLiteral("linha.de.comando"));
    EXPECT_EQ(both.port, 5555);
    EXPECT_EQ(both.open, QStringList{QStringLiteral("KZR01200")});
    EXPECT_EQ(both.screenshot, QStringLiteral("/tmp/x.png"));
}

TEST(HostOptions, ABadPortOrAnUnknownOptionIsAnError)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vazio.ini"));
    QString error;
    HostOptions::fromArguments({QStringLiteral("kzr-host"), QStringLiteral("--settings"), file,
                                QStringLiteral("--port"), QStringLiteral("porta")}, &error);
    EXPECT_TRUE(error.contains(QStringLiteral("porta"))) << error.toStdString();
    HostOptions::fromArguments({QStringLiteral("kzr-host"), QStringLiteral("--port"), QStringLiteral("70000")}, &error);
    EXPECT_FALSE(error.isEmpty());
    HostOptions::fromArguments({QStringLiteral("kzr-host"), QStringLiteral("--nada")}, &error);
    EXPECT_FALSE(error.isEmpty());

    // Nothing given: the protocol's default port on this machine.
    const HostOptions plain = HostOptions::fromArguments({QStringLiteral("kzr-host"), QStringLiteral("--settings"), file}, &error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(plain.port, 21201);
    EXPECT_EQ(plain.server, QStringLiteral("127.0.0.1"));
}

// Asking for help is not a mistake: the options go to standard output and the program ends well,
// with no display to open windows on.
TEST(HostOptions, HelpIsPrintedAndTheProgramEndsWell)
{
    QProcess host;
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noDisplay.remove(QString::fromLatin1(name));
    host.setProcessEnvironment(noDisplay);
    host.start(QStringLiteral(KZR_HOST_PROGRAM), {QStringLiteral("--help")});
    ASSERT_TRUE(host.waitForFinished(30000));
    EXPECT_EQ(host.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().toStdString();
    const QString help = QString::fromLocal8Bit(host.readAllStandardOutput());
    EXPECT_TRUE(help.contains(QStringLiteral("--server")) && help.contains(QStringLiteral("--open"))) << help.toStdString();
}
