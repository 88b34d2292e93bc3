#pragma once

#include <QStandardPaths>
#include <QTemporaryDir>

#include "HostMainWindow.h"
#include "ScriptedInteraction.h"

#include <QCoreApplication>
#include <QLibrary>
#include <gtest/gtest.h>
#include <memory>

// A host main window over the test packages, with the scripted seam installed.
class HostTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QStandardPaths::setTestModeEnabled(true); // remembered columns stay out of the user's settings
        auto scripted = std::make_unique<ScriptedInteraction>();
        seam = scripted.get();
        Interaction::install(std::move(scripted));
        options.settingsFile = settings.filePath(QStringLiteral("kzr-host.ini"));
        options.packageDir = QStringLiteral(KZR_PACKAGE_DIR);
        options.server = QStringLiteral("srv.exemplo");
        options.port = 31000;
        window = std::make_unique<HostMainWindow>(options);
        TApplication::SetHost(window.get());
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Interaction::install(nullptr);
        TApplication::SetHost(nullptr);
    }
    // How many times a test package's entry ran.
    static int runsOf(const QString &package)
    {
        QLibrary library(QStringLiteral(KZR_PACKAGE_DIR "/") + package);
        auto runs = reinterpret_cast<int (*)()>(library.resolve("TESTPACKAGE_RUNS"));
        return runs ? runs() : -1;
    }

    ScriptedInteraction *seam = nullptr;
    QTemporaryDir settings;
    HostOptions options;
    std::unique_ptr<HostMainWindow> window;
};
