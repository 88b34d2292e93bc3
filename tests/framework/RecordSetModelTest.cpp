#include "GridTesting.h"
#include "RecordSetModel.h"

#include <QAbstractItemModelTester>
#include <QSet>
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

// A reload that brings the same rows back (a save's reply) tells the views only the rows that
// look different, the changed values and the unsaved mark that goes; the current cell goes to
// the first row in its column, as after any reload.
TEST_F(GridTest, AReloadOfTheSameRowsTellsOnlyTheRowsThatLookDifferent)
{
    goTo(2, 1);
    dataSet->Edit();
    nome()->SetAsString(QStringLiteral("Carla")); // posted unchanged: a change the server has not got
    dataSet->Post();
    ASSERT_TRUE(grid->model()->index(2, 0).data(RecordSetModel::UnsavedRole).toBool());
    QSet<int> told;
    int resets = 0;
    QObject::connect(grid->model(), &QAbstractItemModel::dataChanged, grid, [&](const QModelIndex &from, const QModelIndex &to) {
        for (int row = from.row(); row <= to.row(); ++row)
            told << row;
    });
    QObject::connect(grid->model(), &QAbstractItemModel::modelReset, grid, [&] { ++resets; });

    dataSet->SetData(packetOf({{QStringLiteral("CODIGO"), 5}, {QStringLiteral("NOME"), 30}},
                              {{QStringLiteral("1"), QStringLiteral("Ana")},
                               {QStringLiteral("2"), QStringLiteral("Bruno Sá")},
                               {QStringLiteral("3"), QStringLiteral("Carla")}}));
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(told, (QSet<int>{1, 2}));
    EXPECT_FALSE(cell(2, 0).data(RecordSetModel::UnsavedRole).toBool());
    EXPECT_EQ(grid->currentIndex(), cell(0, 1));
    EXPECT_EQ(dataSet->RecNo(), 1);
}
