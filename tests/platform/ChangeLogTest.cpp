#include "DataSetFixture.h"

#include <gtest/gtest.h>

using packet::ChangeOp;
using packet::Row;
using packet::toVariant;

namespace {

Row row(const QString &code, const std::optional<QString> &name)
{
    return Row{code, name};
}

struct ChangeLog : ::testing::Test
{
    TClientDataSet cds{nullptr, "cdsDados"};
    void SetUp() override
    {
        declareDimensionFields(cds);
        cds.SetData(toVariant(dimensionPacket({{"1", "A"}, {"2", "B"}, {"3", "<null>"}})));
    }
    TField *name() { return cds.FieldByName("NMITEMDIME"); }
    packet::Packet delta() { return packet::fromVariant(cds.Delta()); }
    void rename(int recNo, const QString &to)
    {
        cds.SetRecNo(recNo);
        cds.Edit();
        name()->SetAsString(to);
        cds.Post();
    }
};

} // namespace

TEST_F(ChangeLog, DeltaHoldsExactlyThePendingChangesInOrder)
{
    EXPECT_TRUE(delta().changes.isEmpty());
    EXPECT_TRUE(delta().isDelta);
    rename(2, "B2");
    rename(2, "B3"); // a second edit of the same record is still one change, from the original
    cds.SetRecNo(3);
    cds.Delete();
    cds.Append();
    cds.FieldByName("NRSEQUEDIME")->SetAsString("9");
    name()->SetAsString("Novo");
    cds.Post();
    EXPECT_EQ(cds.ChangeCount(), 3);

    const packet::Packet d = delta();
    ASSERT_EQ(d.changes.size(), 3);
    EXPECT_EQ(d.fields.size(), 2);
    EXPECT_EQ(d.changes[0].op, ChangeOp::Modify);
    EXPECT_EQ(d.changes[0].oldRow, row("2", "B"));
    EXPECT_EQ(d.changes[0].newRow, row("2", "B3"));
    EXPECT_EQ(d.changes[1].op, ChangeOp::Delete);
    EXPECT_EQ(d.changes[1].oldRow, row("3", std::nullopt));
    EXPECT_EQ(d.changes[2].op, ChangeOp::Insert);
    EXPECT_EQ(d.changes[2].newRow, row("9", "Novo"));
}

TEST_F(ChangeLog, InsertedThenModifiedIsOneInsertWithTheLatestValues)
{
    cds.Append();
    cds.FieldByName("NRSEQUEDIME")->SetAsString("8");
    name()->SetAsString("Primeiro");
    cds.Post();
    cds.First(); // other rows move around it
    cds.Insert();
    cds.Cancel();
    rename(4, "Segundo");
    const packet::Packet d = delta();
    ASSERT_EQ(d.changes.size(), 1);
    EXPECT_EQ(d.changes[0].op, ChangeOp::Insert);
    EXPECT_EQ(d.changes[0].newRow, row("8", "Segundo"));
}

TEST_F(ChangeLog, ChangesFollowTheirRecordsWhenRowsMoveAround)
{
    rename(3, "C2");
    cds.First();
    cds.Insert(); // lands before every changed record
    name()->SetAsString("Topo");
    cds.Post();
    cds.SetRecNo(2);
    cds.Delete(); // "A"
    rename(3, "C3");
    cds.SetRecNo(1);
    cds.Insert(); // unposted: the copy below must not see it, nor count rows with it

    TClientDataSet copy(nullptr, "cdsVDDados");
    declareDimensionFields(copy);
    copy.SetData(cds.Data());
    EXPECT_EQ(column(copy, 1), QStringList({"Topo", "B", "C3"}));
    EXPECT_EQ(copy.Delta().bytes(), cds.Delta().bytes());
    const packet::Packet d = packet::fromVariant(copy.Delta());
    ASSERT_EQ(d.changes.size(), 3);
    EXPECT_EQ(d.changes[0].op, ChangeOp::Modify);
    EXPECT_EQ(d.changes[0].oldRow, row("3", std::nullopt));
    EXPECT_EQ(d.changes[0].newRow, row("3", "C3"));
    EXPECT_EQ(d.changes[1].newRow,
              (Row{std::nullopt, QString("Topo")})); // no code given: null, not ""
    EXPECT_EQ(d.changes[2].oldRow, row("1", "A"));
}

TEST_F(ChangeLog, InsertedThenDeletedLeavesNoTrace)
{
    cds.Append();
    name()->SetAsString("Efêmero");
    cds.Post();
    cds.Delete();
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_TRUE(delta().changes.isEmpty());
}

TEST_F(ChangeLog, ModifiedThenDeletedSendsTheOriginalValues)
{
    rename(1, "A2");
    cds.SetRecNo(1);
    cds.Delete();
    const packet::Packet d = delta();
    ASSERT_EQ(d.changes.size(), 1);
    EXPECT_EQ(d.changes[0].op, ChangeOp::Delete);
    EXPECT_EQ(d.changes[0].oldRow, row("1", "A"));
}

TEST_F(ChangeLog, PostingUnchangedValuesStillCountsAsAChange)
{
    cds.Edit();
    cds.Post();
    EXPECT_EQ(cds.ChangeCount(), 1);
    EXPECT_EQ(delta().changes[0].oldRow, delta().changes[0].newRow);
}

TEST_F(ChangeLog, UnpostedEditIsNotInDeltaOrData)
{
    cds.Edit();
    name()->SetAsString("pendente");
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_TRUE(delta().changes.isEmpty());
    cds.Cancel();
    cds.Insert();
    EXPECT_EQ(packet::fromVariant(cds.Data()).rows.size(), 3);
}

TEST_F(ChangeLog, MergeMakesChangesTheBase)
{
    rename(1, "A2");
    cds.SetRecNo(2);
    cds.Delete();
    cds.MergeChangeLog();
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_TRUE(delta().changes.isEmpty());
    rename(1, "A3");
    EXPECT_EQ(delta().changes[0].oldRow, row("1", "A2"));
    cds.CancelUpdates();
    EXPECT_EQ(column(cds, 1), QStringList({"A2", ""}));
}

TEST_F(ChangeLog, CancelUpdatesRestoresTheBase)
{
    rename(1, "A2");
    cds.SetRecNo(2);
    cds.Delete();
    cds.Append();
    name()->SetAsString("Novo");
    cds.Post();
    cds.CancelUpdates();
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_EQ(column(cds, 1), QStringList({"A", "B", ""}));
    EXPECT_TRUE(cds.IsNullAt(2, 1));
    EXPECT_EQ(cds.RecNo(), 1);
}

TEST_F(ChangeLog, FailedSaveLeavesTheChangeToGoWithTheNextOne)
{
    // AfterPost throws as a failed server call would; the post itself stands
    cds.AfterPost = [](TClientDataSet *) { throw EConnectionError("servidor fora do ar"); };
    cds.Edit();
    name()->SetAsString("A2");
    EXPECT_THROW(cds.Post(), EConnectionError);
    EXPECT_EQ(cds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(name()->AsString(), "A2");
    cds.AfterPost = nullptr;
    rename(2, "B2");
    EXPECT_EQ(delta().changes.size(), 2);
}

TEST_F(ChangeLog, DataCarriesTheLogSoAnotherSetCanSendIt)
{
    rename(1, "A2");
    cds.SetRecNo(3);
    cds.Delete();

    TClientDataSet copy(nullptr, "cdsVDDados");
    declareDimensionFields(copy);
    copy.SetData(cds.Data());
    EXPECT_EQ(copy.ChangeCount(), 2);
    EXPECT_EQ(copy.Delta().bytes(), cds.Delta().bytes());

    // the bulk toggle: write every row of the copy, moving posts each one
    copy.First();
    while (!copy.Eof()) {
        copy.Edit();
        copy.FieldByName("NMITEMDIME")->SetAsString("N");
        copy.Next();
    }
    const packet::Packet d = packet::fromVariant(copy.Delta());
    ASSERT_EQ(d.changes.size(), 3);
    EXPECT_EQ(d.changes[0].oldRow, row("1", "A")); // still from the server's values
    EXPECT_EQ(d.changes[0].newRow, row("1", "N"));
    EXPECT_EQ(d.changes[1].op, ChangeOp::Delete);
    EXPECT_EQ(d.changes[2].newRow, row("2", "N"));

    copy.MergeChangeLog();
    cds.SetData(copy.Data());
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_EQ(column(cds, 1), QStringList({"N", "N"}));
}

TEST_F(ChangeLog, WriteToCopyOutsideEditStateIsRefused)
{
    TClientDataSet copy(nullptr, "cdsVDDados");
    declareDimensionFields(copy);
    copy.SetData(cds.Data());
    try {
        copy.FieldByName("NMITEMDIME")->SetAsString("N");
        FAIL();
    } catch (const EDatabaseError &e) {
        // The user is told what to do, not which record set refused.
        EXPECT_FALSE(e.Message().contains("cdsVDDados"));
        EXPECT_TRUE(e.Message().contains("Alterar ou Incluir"));
    }
}

TEST_F(ChangeLog, WithoutLoggingChangesGoStraightToTheBase)
{
    cds.SetLogChanges(false);
    rename(1, "A2");
    cds.SetRecNo(2);
    cds.Delete();
    EXPECT_EQ(cds.ChangeCount(), 0);
    cds.CancelUpdates();
    EXPECT_EQ(column(cds, 1), QStringList({"A2", ""}));
}

TEST_F(ChangeLog, SetDataReplacesPendingChanges)
{
    rename(1, "A2");
    cds.Edit();
    name()->SetAsString("pendente");
    cds.SetData(toVariant(dimensionPacket({{"4", "D"}})));
    EXPECT_EQ(cds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_EQ(name()->AsString(), "D");
}
