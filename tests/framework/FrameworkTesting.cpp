#include "FrameworkTesting.h"

#include "DataPacket.h"
#include "TfrmPadraoGrid.h"

#include <QStandardPaths>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace testing_support {

Variant packetOf(const std::vector<std::pair<QString, int>> &fields, const Rows &rows)
{
    packet::Packet content;
    for (const auto &[name, size] : fields)
        content.fields.append({name, size});
    for (const auto &row : rows) {
        packet::Row values;
        for (const auto &value : row)
            values.append(value);
        content.rows.append(values);
    }
    return packet::toVariant(content);
}

std::unique_ptr<TClientDataSet> peopleSet(const Rows &rows)
{
    auto dataSet = std::make_unique<TClientDataSet>(nullptr, QStringLiteral("cdsTeste"));
    dataSet->AddField(QStringLiteral("CODIGO"), 5)->SetEditMask(QStringLiteral("!99999;0; "));
    dataSet->FieldByName(QStringLiteral("CODIGO"))->SetDisplayLabel(QStringLiteral("Código"));
    dataSet->AddField(QStringLiteral("NOME"), 30)->SetDisplayLabel(QStringLiteral("Nome"));
    dataSet->SetData(packetOf({{QStringLiteral("CODIGO"), 5}, {QStringLiteral("NOME"), 30}}, rows));
    return dataSet;
}

RecordingHost::RecordingHost() : window(new QMainWindow), area(new QMdiArea)
{
    window->setCentralWidget(area);
    window->resize(900, 600);
}

RecordingHost::~RecordingHost()
{
    delete window;
}

QWidget *RecordingHost::mainForm() const
{
    return window;
}

void RecordingHost::adoptForm(TfrmPadraoGrid *form)
{
    // The form decides whether closing frees it; the frame must not delete itself on close.
    auto *frame = new QMdiSubWindow;
    frame->setWidget(form);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    area->addSubWindow(frame);
}

void FrameworkTest::SetUp()
{
    QStandardPaths::setTestModeEnabled(true); // remembered columns stay out of the user's settings
    auto scripted = std::make_unique<ScriptedInteraction>();
    seam = scripted.get();
    Interaction::install(std::move(scripted));
}

void FrameworkTest::TearDown()
{
    settle();
    Interaction::install(nullptr);
    TApplication::SetHost(nullptr);
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

} // namespace testing_support
