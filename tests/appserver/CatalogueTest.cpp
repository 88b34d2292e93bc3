// Table and field names are looked up in the database's real catalogue, on SQLite and on
// PostgreSQL alike: any letter case, the database system's own tables never, the column
// types a dimension may use.
#include "Deltas.h"
#include "StorageFixture.h"

namespace {

class Catalogue : public StorageFixture
{
protected:
    QString verdict(const QString &table, const QStringList &names, QStringList *written = nullptr)
    {
        QList<Variant> items;
        for (const QString &n : names)
            items << Variant(n);
        Variant list = Variant::fromArray(items);
        const Variant reply = client->dimensao("vdDimensao", {table, RemoteArg::ByRef(list)});
        if (written) {
            written->clear();
            for (int i = 0; i < list.length(); ++i)
                *written << list.element(i).toString();
        }
        if (reply.isNull()) return "ok";
        EXPECT_EQ(reply.kind(), Variant::Kind::Array);
        return reply.kind() == Variant::Kind::Array ? reply.element(0).toString() : "?";
    }
};

TEST_P(Catalogue, AnExistingDatabaseGetsOnlyTheServersTables)
{
    // The server made its two tables in the empty database, and nothing else.
    for (const char *t : {"DIMENSAODIME", "ATRIBEXTRADIME"})
        EXPECT_EQ(verdict(t, {"NRSEQUEDIME"}), "ok") << t;
    for (const char *demo : {"CLIENTE", "PRODUTO", "GRUPOPRODUTO"})
        EXPECT_EQ(verdict(demo, {}), QString("INV_TABELA") + demo);
}

TEST_P(Catalogue, NamesAreFoundWhateverTheirCaseAndTypesAreJudged)
{
    const QString binary = isPostgres() ? "BYTEA" : "BLOB";
    ASSERT_EQ(
        executeDirectly({
            "CREATE TABLE produto (cdproduto INTEGER PRIMARY KEY, dsproduto VARCHAR(60), "
            "vlpreco NUMERIC(12,2), pcdesconto DOUBLE PRECISION, imfoto " +
                binary +
                ", "
                "dtcadastro DATE, cdgrupopai INTEGER REFERENCES produto (cdproduto))",
            "CREATE TABLE \"Album\" (\"AlbumId\" INTEGER PRIMARY KEY, \"Title\" VARCHAR(160), "
            "\"Cover\" " +
                binary + ")",
            "CREATE TABLE cliente (cdcliente INTEGER PRIMARY KEY)",
            "CREATE TABLE \"Nota_Fiscal2\" (\"NrNota_2\" INTEGER)",
        }),
        "");
    QStringList written;
    EXPECT_EQ(verdict("PRODUTO", {"CDPRODUTO", "DSPRODUTO", "CDGRUPOPAI"}, &written), "ok");
    EXPECT_EQ(written, QStringList({"cdproduto", "dsproduto", "cdgrupopai"}));
    EXPECT_EQ(verdict("ALBUM", {"ALBUMID", "TITLE"}, &written), "ok");
    EXPECT_EQ(written, QStringList({"AlbumId", "Title"}));
    EXPECT_EQ(verdict("PRODUTO", {"VLPRECO", "DTCADASTRO"}), "ok");
    // Characters that are no letters stand as they are among letters of any case.
    for (const char *asked : {"NOTA_FISCAL2", "nota_fiscal2", "Nota_Fiscal2", "nOTA_fISCAL2"}) {
        EXPECT_EQ(verdict(asked, {"NRNOTA_2"}, &written), "ok") << asked;
        EXPECT_EQ(written, QStringList{"NrNota_2"}) << asked;
    }
    EXPECT_EQ(verdict("NOTA_FISCAL3", {}), "INV_TABELANOTA_FISCAL3");
    EXPECT_EQ(verdict("NOTA-FISCAL2", {}), "INV_TABELANOTA-FISCAL2");
    // Only A to Z fold: a dotless i or a long s spells no other name.
    EXPECT_EQ(verdict("PRODUTO", {"CDPRODUTO", u"DſPRODUTO"_qs}), u"INV_CAMPODſPRODUTO.PRODUTO"_qs);
    EXPECT_EQ(verdict(u"CLıENTE"_qs, {}), u"INV_TABELACLıENTE"_qs);
    EXPECT_EQ(verdict("CLIENTE", {"CDCLIENTE"}), "ok");
    // The server's catalogue reads are prepared once, and on SQLite their answers kept, yet a
    // change of structure made by another program is seen at the next call.
    EXPECT_EQ(verdict("CLIENTE", {"NMCLIENTE"}), "INV_CAMPONMCLIENTE.CLIENTE");
    ASSERT_EQ(executeDirectly({"ALTER TABLE cliente ADD COLUMN nmcliente VARCHAR(60)"}), "");
    EXPECT_EQ(verdict("CLIENTE", {"CDCLIENTE", "NMCLIENTE"}), "ok");
    ASSERT_EQ(
        executeDirectly({"CREATE TABLE fornecedor (cdfornecedor INTEGER)", "DROP TABLE cliente"}),
        "");
    EXPECT_EQ(verdict("CLIENTE", {}), "INV_TABELACLIENTE");
    EXPECT_EQ(verdict("FORNECEDOR", {"CDFORNECEDOR"}), "ok");
    EXPECT_EQ(verdict("PRODUTO", {"CDPRODUTO", "PCDESCONTO"}), "NO_DIMEPCDESCONTO");
    EXPECT_EQ(verdict("PRODUTO", {"IMFOTO"}), "NO_DIMEIMFOTO");
    EXPECT_EQ(verdict("ALBUM", {"COVER"}), "NO_DIMECOVER");
    EXPECT_EQ(verdict("ALBUM", {"ALBUMID", "ARTISTID"}), "INV_CAMPOARTISTID.ALBUM");
    EXPECT_EQ(TestClient::column(
                  TestClient::packetOf(client->estrutura("getFields", {"D", "ALBUM"})), "CDFIELD"),
              QStringList({"ALBUMID", "TITLE"}));
    EXPECT_EQ(
        TestClient::column(TestClient::packetOf(client->estrutura("getFields", {"D", "produto"})),
                           "CDFIELD"),
        QStringList({"CDPRODUTO", "DSPRODUTO", "VLPRECO", "DTCADASTRO", "CDGRUPOPAI"}));

    // The database system's own catalogue is no application table.
    const QStringList systemTables = isPostgres() ? QStringList{"PG_CLASS", "TABLES", "COLUMNS"}
                                                  : QStringList{"SQLITE_MASTER", "SQLITE_SCHEMA"};
    for (const QString &t : systemTables)
        EXPECT_EQ(verdict(t, {}), "INV_TABELA" + t);
    if (isPostgres()) {
        // Only the schema the server works in counts.
        ASSERT_EQ(executeDirectly(
                      {"CREATE SCHEMA outro", "CREATE TABLE outro.segredo (cdsegredo INTEGER)"}),
                  "");
        EXPECT_EQ(verdict("SEGREDO", {"CDSEGREDO"}), "INV_TABELASEGREDO");
    }
}

TEST_P(Catalogue, TheServersOwnTablesDoNotExistForAnyClientCall)
{
    // A maintainer probing for the password hashes, the login record and the audit trail gets
    // from every method what a missing table gets, in whatever case the name is spelled.
    auto analise = server.connect("KZR01200.rdmAnalise");
    const QList<std::pair<const char *, std::function<QString(const QString &)>>> calls = {
        {"vdDimensao",
         [&](const QString &t) {
             return verdict(t, {"NMUSUARIO", "DSSENHA"});
         }},
        {"getFields",
         [&](const QString &t) {
             return TestClient::failureOf(client->estrutura("getFields", {"D", t}));
         }},
        {"getPerfil",
         [&](const QString &t) {
             const Variant reply =
                 analise->AppServer().Call("getPerfil", {t, "NMUSUARIO", "DSSENHA", ""});
             return reply.kind() == Variant::Kind::Array ? reply.element(0).toString()
                                                         : QString("a profile");
         }},
    };
    for (const QString own :
         {"USUARIOSERVIDOR", "usuarioservidor", "AUDITORIASERVIDOR", "ACESSOSERVIDOR",
          "VERSAOSERVIDOR", "ESQUEMASERVIDOR", "FIMSESSAOSERVIDOR", "SESSAOSERVIDOR",
          "main.USUARIOSERVIDOR", "\"acessoservidor\"", "sqlite_master", "SQLITE_SEQUENCE"}) {
        for (const auto &[method, call] : calls) {
            SCOPED_TRACE(std::string(method) + " " + own.toStdString());
            const QString missing = call("TABELAFALTANTE");
            ASSERT_FALSE(missing.isEmpty());
            EXPECT_EQ(call(own), QString(missing).replace("TABELAFALTANTE", own));
        }
        // Nor can a dimension be saved over one, for the profile line to show its contents.
        EXPECT_EQ(client->saveDimensions(deltas::ofDimensions({deltas::insert(
                      deltas::dimension("9", "Senhas", own, "NMUSUARIO", "DSSENHA"))})),
                  "Dimensão 00009: Tabela \"" + own + "\" inválida. Nada foi gravado.");
    }
    EXPECT_TRUE(client->codes().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, Catalogue, ::testing::Values("sqlite", "postgresql"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
