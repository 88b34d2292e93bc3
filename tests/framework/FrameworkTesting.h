#pragma once

#include "ScriptedInteraction.h"
#include "TApplication.h"
#include "TClientDataSet.h"
#include "Variant.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

class QWidget;
class QMainWindow;
class QMdiArea;

namespace testing_support {

using Rows = std::vector<std::vector<std::optional<QString>>>;

// A content packet with string fields of the given names and sizes.
Variant packetOf(const std::vector<std::pair<QString, int>> &fields, const Rows &rows);

// A record set named "cdsTeste" loaded with CODIGO (5, mask "!99999;0; ") and NOME (30).
std::unique_ptr<TClientDataSet> peopleSet(const Rows &rows);

// A host that remembers what it was told; forms are adopted into an MDI area.
class RecordingHost : public HostServices
{
public:
    RecordingHost();
    ~RecordingHost() override;
    QString webUrl() const override { return url; }
    int webPort() const override { return port; }
    void atualizaLocalCache(const QStringList &tables) override { cacheCalls << tables; }
    QWidget *mainForm() const override;
    void adoptForm(TfrmPadraoGrid *form) override;

    QString url = QStringLiteral("servidor.teste");
    int port = 4321;
    QList<QStringList> cacheCalls;
    QMainWindow *window;
    QMdiArea *area;
};

// Installs a scripted seam for the test's lifetime (and the Qt dialogs back afterwards).
class FrameworkTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    ScriptedInteraction *seam = nullptr;
};

// Lets queued work (deferred deletes, queued button clicks) run.
void settle();

} // namespace testing_support
