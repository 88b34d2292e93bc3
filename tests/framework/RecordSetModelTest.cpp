#include "GridTesting.h"

#include <QAbstractItemModelTester>
#include <functional>

using namespace testing_support;

namespace {

// Collects what Qt's model tester finds wrong instead of letting it pass as a log line.
QStringList modelFaults;
void collectModelFaults(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg &&
        QByteArray(context.category ? context.category : "").startsWith("qt.modeltest"))
        modelFaults << text;
}

} // namespace

// The grid's model keeps Qt's item-model contract through everything a record set does under
// it: rows appended, inserted and cancelled, edited, deleted, the whole content replaced,
// closed and opened again.
TEST_F(GridTest, TheModelKeepsTheItemModelContractThroughEveryRecordSetChange)
{
    modelFaults.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectModelFaults);
    {
        QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::Warning);

        // Each step names itself, so a fault says which change broke the contract.
        const auto step = [&](const char *name, const std::function<void()> &change) {
            change();
            for (QString &fault : modelFaults)
                if (!fault.startsWith(QLatin1Char('[')))
                    fault.prepend(QStringLiteral("[%1] ").arg(QLatin1String(name)));
            EXPECT_EQ(grid->model()->rowCount(), dataSet->RecordCount()) << name;
        };
        step("append and post", [&] {
            dataSet->Append();
            codigo()->SetAsString(QStringLiteral("4"));
            nome()->SetAsString(QStringLiteral("Davi"));
            dataSet->Post();
        });
        step("insert and cancel", [&] {
            dataSet->SetRecNo(2);
            dataSet->Insert();
            dataSet->Cancel();
        });
        step("insert and post", [&] {
            dataSet->Insert();
            nome()->SetAsString(QStringLiteral("Ester"));
            dataSet->Post();
        });
        step("edit and post", [&] {
            dataSet->First();
            dataSet->Edit();
            nome()->SetAsString(QStringLiteral("Ana Maria"));
            dataSet->Post();
        });
        step("delete the last and the first", [&] {
            dataSet->Last();
            dataSet->Delete();
            dataSet->First();
            dataSet->Delete();
        });
        step("cancel updates", [&] { dataSet->CancelUpdates(); });
        step("new content", [&] {
            dataSet->SetData(packetOf({{QStringLiteral("CODIGO"), 5}, {QStringLiteral("NOME"), 30}},
                                      {{QStringLiteral("9"), QStringLiteral("Zeca")}}));
        });
        step("close and open", [&] {
            dataSet->Close();
            dataSet->Open();
        });
        step("append into an empty set and cancel", [&] {
            dataSet->Append();
            dataSet->Cancel();
        });
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(modelFaults.isEmpty()) << modelFaults.join(QLatin1Char('\n')).toStdString();
}
