#include "DataSetFixture.h"
#include "TDataSource.h"

#include <gtest/gtest.h>

using packet::toVariant;

namespace {

struct LoadedSet : ::testing::Test
{
    TClientDataSet cds{nullptr, "cdsDados"};
    void SetUp() override
    {
        declareDimensionFields(cds);
        cds.SetData(
            toVariant(dimensionPacket({{"1", "Cliente"}, {"2", "Produto"}, {"3", "Tempo"}})));
    }
    TField *code() { return cds.FieldByName("NRSEQUEDIME"); }
    TField *name() { return cds.FieldByName("NMITEMDIME"); }
};

} // namespace

TEST_F(LoadedSet, SetDataOpensOnFirstRecordAndRunsAfterScroll)
{
    TClientDataSet other(nullptr, "cdsOutro");
    declareDimensionFields(other);
    int scrolls = 0;
    other.AfterScroll = [&](TClientDataSet *) { ++scrolls; };
    other.SetData(cds.Data());
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(other.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(other.RecNo(), 1);
    EXPECT_TRUE(other.Bof());
    EXPECT_FALSE(other.Eof());
    EXPECT_EQ(other.FieldByName("NMITEMDIME")->AsString(), "Cliente");
}

TEST_F(LoadedSet, NavigationWalksEveryRecordOnce)
{
    QStringList seen;
    for (cds.First(); !cds.Eof(); cds.Next())
        seen << name()->AsString();
    EXPECT_EQ(seen, QStringList({"Cliente", "Produto", "Tempo"}));
    EXPECT_EQ(cds.RecNo(), 3);
    cds.Prior();
    EXPECT_EQ(cds.RecNo(), 2);
    cds.SetRecNo(99);
    EXPECT_EQ(cds.RecNo(), 3);
    cds.First();
    cds.Prior();
    EXPECT_TRUE(cds.Bof());
    EXPECT_EQ(cds.RecNo(), 1);
}

TEST_F(LoadedSet, WritesNeedEditStateAndRespectWidthAndReadOnly)
{
    EXPECT_THROW(name()->SetAsString("x"), EDatabaseError);
    cds.Edit();
    EXPECT_THROW(name()->SetAsString(QString(31, 'x')), EDatabaseError);
    EXPECT_EQ(name()->AsString(), "Cliente"); // a refused value is not half-written
    name()->SetAsString(QString(30, 'x'));
    code()->SetReadOnly(true);
    EXPECT_THROW(code()->SetAsString("7"), EDatabaseError);
    code()->SetReadOnly(false);
    EXPECT_THROW(code()->SetText("123456"), EDatabaseError);
    code()->SetText("  12");
    EXPECT_EQ(code()->AsString(), "12");
    EXPECT_EQ(code()->DisplayText(), "   12");
    cds.Post();
    EXPECT_EQ(cds.ValueAt(0, 0), "12");
    EXPECT_EQ(cds.DisplayTextAt(0, 0), "   12");
}

TEST_F(LoadedSet, OldValueAndChangedDescribeTheCurrentEdit)
{
    EXPECT_TRUE(name()->OldValue().isNull());
    EXPECT_FALSE(name()->Changed());
    cds.Edit();
    EXPECT_EQ(name()->OldValue().toString(), "Cliente");
    EXPECT_FALSE(name()->Changed());
    name()->SetAsString("Clientes");
    EXPECT_TRUE(name()->Changed());
    EXPECT_EQ(name()->NewValue().toString(), "Clientes");
    name()->SetAsString("Cliente");
    EXPECT_FALSE(name()->Changed());
    cds.Post();

    cds.Insert();
    EXPECT_TRUE(name()->OldValue().isNull());
    EXPECT_FALSE(name()->Changed());
    name()->SetAsString("");
    EXPECT_TRUE(name()->Changed()); // a value where there was none
    name()->Clear();
    EXPECT_TRUE(name()->IsNull());
    EXPECT_FALSE(name()->Changed());
}

TEST_F(LoadedSet, RefusedPostKeepsStateAndValues)
{
    cds.BeforePost = [](TClientDataSet *) { throw EAbort(); };
    int afterPosts = 0;
    cds.AfterPost = [&](TClientDataSet *) { ++afterPosts; };
    cds.Insert();
    name()->SetAsString("Novo");
    EXPECT_THROW(cds.Post(), EAbort);
    EXPECT_EQ(cds.State(), TDataSetState::dsInsert);
    EXPECT_EQ(name()->AsString(), "Novo");
    EXPECT_EQ(afterPosts, 0);
    EXPECT_EQ(cds.ChangeCount(), 0);
    // moving away posts first, so a refused post also keeps the position
    EXPECT_THROW(cds.Next(), EAbort);
    EXPECT_EQ(cds.RecNo(), 1);
    EXPECT_EQ(cds.State(), TDataSetState::dsInsert);
    cds.BeforePost = nullptr;
    cds.Next();
    EXPECT_EQ(afterPosts, 1);
    EXPECT_EQ(cds.ChangeCount(), 1);
    EXPECT_EQ(column(cds, 1), QStringList({"Novo", "Cliente", "Produto", "Tempo"}));
}

TEST_F(LoadedSet, InsertGoesBeforeCurrentAppendAtEndCancelRestores)
{
    cds.SetRecNo(2);
    cds.Insert();
    EXPECT_EQ(cds.RecNo(), 2);
    EXPECT_EQ(cds.RecordCount(), 4);
    EXPECT_TRUE(cds.IsNullAt(1, 1));
    cds.Cancel();
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(cds.RecNo(), 2);
    EXPECT_EQ(name()->AsString(), "Produto");

    cds.Append();
    EXPECT_EQ(cds.RecNo(), 4);
    name()->SetAsString("Fim");
    cds.Post();
    EXPECT_EQ(column(cds, 1).last(), "Fim");
    EXPECT_EQ(cds.State(), TDataSetState::dsBrowse);
}

TEST_F(LoadedSet, CancelOfEditRestoresValues)
{
    int cancels = 0;
    cds.AfterCancel = [&](TClientDataSet *) { ++cancels; };
    cds.Edit();
    name()->SetAsString("Outro");
    EXPECT_EQ(cds.ValueAt(0, 1), "Outro"); // views see the edit buffer
    cds.Cancel();
    EXPECT_EQ(name()->AsString(), "Cliente");
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(cds.ChangeCount(), 0);
    cds.Cancel(); // browse: no effect
    EXPECT_EQ(cancels, 1);
}

TEST_F(LoadedSet, DeleteRunsEventsAndKeepsPosition)
{
    QStringList events;
    cds.BeforeDelete = [&](TClientDataSet *) { events << "before"; };
    cds.AfterDelete = [&](TClientDataSet *s) {
        events << "after:" + s->FieldByName("NMITEMDIME")->AsString();
    };
    cds.SetRecNo(2);
    cds.Delete();
    EXPECT_EQ(events, QStringList({"before", "after:Tempo"}));
    EXPECT_EQ(cds.RecNo(), 2);
    cds.Delete();
    EXPECT_EQ(cds.RecNo(), 1);
    cds.Delete();
    EXPECT_TRUE(cds.IsEmpty());
    EXPECT_EQ(cds.RecNo(), 0);
    EXPECT_THROW(cds.Delete(), EDatabaseError);
    EXPECT_EQ(cds.ChangeCount(), 3);
}

TEST_F(LoadedSet, RefusedDeleteChangesNothing)
{
    cds.BeforeDelete = [](TClientDataSet *) { throw EAbort(); };
    EXPECT_THROW(cds.Delete(), EAbort);
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(cds.ChangeCount(), 0);
}

TEST_F(LoadedSet, StateChangeHandlerMayWriteOrCancelTheNewRecord)
{
    TDataSource source(nullptr, "dtsDados");
    source.SetDataSet(&cds);
    QList<TDataSetState> states;
    bool cancelNext = false;
    source.OnStateChange = [&](QObject *sender) {
        EXPECT_EQ(sender, &source);
        states << source.State();
        if (cds.State() == TDataSetState::dsInsert) {
            code()->SetAsString("77"); // the new record is already there to write into
            if (cancelNext) cds.Cancel();
        }
    };
    cds.Insert();
    EXPECT_EQ(code()->AsString(), "77");
    cds.Cancel();
    cancelNext = true;
    cds.Append();
    EXPECT_EQ(cds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(states, QList<TDataSetState>({TDataSetState::dsInsert, TDataSetState::dsBrowse,
                                            TDataSetState::dsInsert, TDataSetState::dsBrowse}));
}

TEST_F(LoadedSet, AfterPostMayReloadTheSet)
{
    // the screen saves inside AfterPost and loads the server's list back
    cds.AfterPost = [](TClientDataSet *s) {
        s->SetData(toVariant(dimensionPacket({{"5", "Do servidor"}})));
    };
    cds.Edit();
    name()->SetAsString("Alterado");
    cds.Post();
    EXPECT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(name()->AsString(), "Do servidor");
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_EQ(cds.State(), TDataSetState::dsBrowse);
}

// A reload with the same rows tells the rows whose values changed, whether anything had read
// them yet or not.
TEST_F(LoadedSet, AReloadTellsOnlyTheRowsWhoseValuesChanged)
{
    EXPECT_EQ(name()->AsString(), "Cliente"); // the first row read, the others not yet
    QList<int> told;
    int resets = 0;
    QObject::connect(&cds, &TClientDataSet::rowChanged, [&](int r) { told << r; });
    QObject::connect(&cds, &TClientDataSet::contentReset, [&] { ++resets; });
    cds.SetData(toVariant(dimensionPacket({{"1", "Cliente"}, {"2", "Produtos"}, {"3", "Tempo"}})));
    cds.SetData(toVariant(dimensionPacket({{"1", "Clientes"}, {"2", "Produtos"}, {"3", "Tempo"}})));
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(told, QList<int>({1, 0}));
    EXPECT_EQ(cds.ValueAt(0, 1), "Clientes");
    EXPECT_EQ(cds.ValueAt(1, 1), "Produtos");
}

TEST_F(LoadedSet, SignalsLetViewsFollow)
{
    QStringList seen;
    QObject::connect(&cds, &TClientDataSet::rowInserted,
                     [&](int r) { seen << QString("ins %1").arg(r); });
    QObject::connect(&cds, &TClientDataSet::rowRemoved,
                     [&](int r) { seen << QString("rem %1").arg(r); });
    QObject::connect(&cds, &TClientDataSet::rowChanged,
                     [&](int r) { seen << QString("chg %1").arg(r); });
    QObject::connect(&cds, &TClientDataSet::contentReset, [&] { seen << "reset"; });
    QObject::connect(&cds, &TClientDataSet::fieldFocusRequested,
                     [&](TField *f) { seen << "focus " + f->FieldName(); });
    cds.SetRecNo(3);
    cds.Insert();
    name()->SetAsString("x");
    cds.Cancel();
    name()->FocusControl();
    cds.Close();
    EXPECT_EQ(seen, QStringList({"ins 2", "chg 2", "rem 2", "focus NMITEMDIME", "reset"}));
    EXPECT_FALSE(cds.Active());
}

TEST_F(LoadedSet, BadPacketLeavesTheSetExactlyAsItWas)
{
    cds.SetRecNo(2);
    cds.Edit();
    name()->SetAsString("Produto 2");
    cds.Post();
    cds.Edit();
    name()->SetAsString("em edição");
    const QByteArray before = cds.Data().bytes();

    packet::Packet missing;
    missing.fields = {{"NRSEQUEDIME", 5}};
    missing.rows = {{QString("2")}};
    packet::Packet delta = dimensionPacket({});
    delta.isDelta = true;
    const QByteArray good = packet::encode(dimensionPacket({{"9", "x"}}));
    for (const Variant &bad :
         {toVariant(missing), toVariant(delta), Variant::fromBytes(good.left(good.size() - 1)),
          Variant::fromBytes(good + char(0)), Variant::fromBytes("\xa1"), Variant("texto"),
          Variant::fromBytes(QByteArray(packet::MaxPacketBytes + 1, '\0'))})
        EXPECT_THROW(cds.SetData(bad), EDatabaseError);

    EXPECT_EQ(cds.State(), TDataSetState::dsEdit);
    EXPECT_EQ(cds.RecNo(), 2);
    EXPECT_EQ(name()->AsString(), "em edição");
    EXPECT_EQ(cds.ChangeCount(), 1);
    EXPECT_EQ(cds.Data().bytes(), before);
}

TEST(TClientDataSet, EmptyPacketLeavesTheSetOpenAndEmpty)
{
    TClientDataSet cds(nullptr, "cdsDados");
    declareDimensionFields(cds);
    cds.SetData(toVariant(dimensionPacket({})));
    EXPECT_TRUE(cds.Active());
    EXPECT_TRUE(cds.IsEmpty());
    EXPECT_EQ(cds.RecNo(), 0);
    EXPECT_TRUE(cds.Eof());
    EXPECT_TRUE(cds.FieldByName("NMITEMDIME")->IsNull());
}

TEST(TClientDataSet, WiderValueFromAPacketIsKeptWholeButAWriteIsRefused)
{
    TClientDataSet cds(nullptr, "cdsDados");
    declareDimensionFields(cds);
    cds.FieldByName("NMITEMDIME")->SetDisplayLabel("Nome");
    packet::Packet wide = dimensionPacket({{"123456", "x"}});
    wide.fields[0].size = 10;
    cds.SetData(toVariant(wide));
    EXPECT_EQ(cds.FieldByName("NRSEQUEDIME")->AsString(), "123456");
    cds.Edit();
    try {
        cds.FieldByName("NMITEMDIME")->SetAsString(QString(31, 'x'));
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), "Valor excede o tamanho do campo \"Nome\" (máximo 30 caracteres).");
    }
    // width counts characters: 30 characters outside the basic plane fit
    QString clefs;
    for (int i = 0; i < 30; ++i)
        clefs += QString::fromUtf8("𝄞");
    cds.FieldByName("NMITEMDIME")->SetAsString(clefs);
    EXPECT_EQ(cds.FieldByName("NMITEMDIME")->AsString(), clefs);
}

TEST(TClientDataSet, DeclaredFieldsBindByNameAndKeepExtraColumns)
{
    TClientDataSet cds(nullptr, "cdsDados");
    declareDimensionFields(cds);
    packet::Packet p;
    p.fields = {{"EXTRA", 3}, {"NMITEMDIME", 30}, {"NRSEQUEDIME", 5}};
    p.rows = {{QString("e"), QString("Nome"), QString("9")}};
    cds.SetData(toVariant(p));
    EXPECT_EQ(cds.FieldByName("NRSEQUEDIME")->AsString(), "9");
    EXPECT_EQ(cds.FieldCount(), 2);
    cds.Edit();
    cds.FieldByName("NMITEMDIME")->SetAsString("Outro");
    cds.Post();
    const packet::Packet delta = packet::fromVariant(cds.Delta());
    ASSERT_EQ(delta.changes.size(), 1);
    EXPECT_EQ(delta.changes[0].newRow, (packet::Row{QString("e"), QString("Outro"), QString("9")}));
}

TEST(TClientDataSet, UndeclaredSetTakesThePacketsFields)
{
    TClientDataSet cds(nullptr, "cdsVdExtras");
    EXPECT_EQ(cds.FieldCount(), 0);
    cds.SetData(toVariant(dimensionPacket({})));
    EXPECT_TRUE(cds.IsEmpty());
    ASSERT_EQ(cds.FieldCount(), 2);
    EXPECT_EQ(cds.Fields(1)->FieldName(), "NMITEMDIME");
    EXPECT_EQ(cds.Fields(1)->Size(), 30);
    packet::Packet other;
    other.fields = {{"CDFIELD", 30}};
    other.rows = {{QString("ID")}};
    cds.SetData(toVariant(other));
    ASSERT_EQ(cds.FieldCount(), 1);
    EXPECT_EQ(cds.FieldByName("cdfield")->AsString(), "ID");
    EXPECT_EQ(cds.FindField("NMITEMDIME"), nullptr);
    EXPECT_THROW(cds.FieldByName("NMITEMDIME"), EDatabaseError);
}

TEST(TClientDataSet, ClosedAndEmptySets)
{
    TClientDataSet cds(nullptr, "cdsFields");
    cds.AddField("CDFIELD", 30);
    EXPECT_FALSE(cds.Active());
    EXPECT_THROW(cds.Insert(), EDatabaseError);
    EXPECT_THROW(cds.Data(), EDatabaseError);
    cds.Open();
    EXPECT_TRUE(cds.IsEmpty());
    EXPECT_TRUE(cds.Eof() && cds.Bof());
    EXPECT_EQ(cds.FieldByName("CDFIELD")->AsString(), QString());
    EXPECT_TRUE(cds.FieldByName("CDFIELD")->IsNull());
    EXPECT_THROW(cds.AddField("OUTRO", 1), EDatabaseError);
    cds.Edit(); // typing into an empty set starts a new record
    EXPECT_EQ(cds.State(), TDataSetState::dsInsert);
    cds.FieldByName("CDFIELD")->SetAsString("A");
    cds.Post();
    EXPECT_EQ(cds.RecordCount(), 1);
    const packet::Packet content = packet::fromVariant(cds.Data());
    EXPECT_EQ(content.fields[0].name, "CDFIELD");
    EXPECT_EQ(content.rows.size(), 1);
}

TEST(TDataSource, ReportsInactiveWithoutSetAndFollowsTheAttachedSet)
{
    TDataSource source;
    EXPECT_EQ(source.State(), TDataSetState::dsInactive);
    TClientDataSet a, b;
    a.AddField("F", 1);
    b.AddField("F", 1);
    int calls = 0;
    source.OnStateChange = [&](QObject *) { ++calls; };
    source.SetDataSet(&a);
    a.Open();
    EXPECT_EQ(calls, 1);
    source.SetDataSet(&b);
    a.Close();
    EXPECT_EQ(calls, 1); // a detached set no longer reports
    b.Open();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(source.State(), TDataSetState::dsBrowse);
}

// A view re-reads every row on every signal, as a grid model does; no signal may come while
// the rows and the state disagree.
TEST_F(LoadedSet, EverySignalFindsRowsAndStateConsistent)
{
    QStringList snapshots;
    auto readAll = [&] {
        QStringList rows;
        for (int r = 0; r < cds.RecordCount(); ++r)
            rows << cds.ValueAt(r, 1) + "|" + cds.DisplayTextAt(r, 0);
        snapshots << QString::number(int(cds.State())) + ":" + rows.join(",");
    };
    QObject::connect(&cds, &TClientDataSet::stateChanged, readAll);
    QObject::connect(&cds, &TClientDataSet::contentReset, readAll);
    QObject::connect(&cds, &TClientDataSet::rowInserted, readAll);
    QObject::connect(&cds, &TClientDataSet::rowRemoved, readAll);
    QObject::connect(&cds, &TClientDataSet::rowChanged, readAll);
    QObject::connect(&cds, &TClientDataSet::currentChanged, readAll);

    cds.Edit();
    name()->SetAsString("Editado");
    cds.Delete(); // deleting the record under edit
    cds.Insert();
    name()->SetAsString("Novo");
    cds.Cancel();
    cds.Append();
    cds.Delete(); // deleting an unposted insert
    cds.Edit();
    cds.Cancel();
    cds.Edit();
    name()->SetAsString("Fim");
    cds.Post();
    EXPECT_EQ(snapshots.last(), "1:Fim|    2,Tempo|    3");
    EXPECT_EQ(column(cds, 1), QStringList({"Fim", "Tempo"}));
}

TEST_F(LoadedSet, AReloadReportsAStateChangeThroughItsDataSource)
{
    // the commands follow the content: an emptied list must be seen even though the set browses
    TDataSource source(nullptr, "dtsDados");
    source.SetDataSet(&cds);
    int changes = 0;
    source.OnStateChange = [&](QObject *) { ++changes; };
    cds.SetData(toVariant(dimensionPacket({})));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(cds.IsEmpty());
    EXPECT_EQ(cds.State(), TDataSetState::dsBrowse);
}

TEST_F(LoadedSet, ADisplayRecordReadsAnotherRowWithoutMovingOrEvents)
{
    int scrolls = 0;
    cds.AfterScroll = [&](TClientDataSet *) { ++scrolls; };
    cds.Edit();
    name()->SetAsString("Editado");
    {
        TClientDataSet::DisplayRecord painted(&cds, 2);
        EXPECT_EQ(name()->AsString(), "Tempo");
    }
    {
        TClientDataSet::DisplayRecord painted(&cds, 0); // the edited row shows its buffer
        EXPECT_EQ(name()->AsString(), "Editado");
    }
    EXPECT_EQ(cds.RecNo(), 1);
    EXPECT_EQ(cds.State(), TDataSetState::dsEdit);
    EXPECT_EQ(scrolls, 0);
}
