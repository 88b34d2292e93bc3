// Every remote method over a real loopback connection, against the demo database that a
// fresh server creates in a new SQLite file.
#include "CallRecorder.h"
#include "Deltas.h"
#include "ServerFailure.h"
#include "ServerProcess.h"
#include "TClientDataSet.h"
#include "TestClient.h"

#include <gtest/gtest.h>

namespace {

class RemoteMethods : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        server = new ServerProcess;
        ASSERT_TRUE(server->start()) << server->error().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(server && server->running());
        client = std::make_unique<TestClient>(*server);
    }

    static ServerProcess *server;
    std::unique_ptr<TestClient> client;
};

ServerProcess *RemoteMethods::server = nullptr;

QStringList fieldNames(const packet::Packet &p)
{
    QStringList names;
    for (const auto &f : p.fields)
        names << QString("%1:%2").arg(f.name).arg(f.size);
    return names;
}

TEST_F(RemoteMethods, GetDimensaoListsAllOrFilters)
{
    const packet::Packet all = client->dimensions();
    EXPECT_EQ(fieldNames(all),
              fieldNames(packet::Packet{deltas::DimensionFields, {}, {}, {}, false}));
    EXPECT_EQ(TestClient::column(all, "NRSEQUEDIME"),
              QStringList({"00001", "00002", "00003", "00004", "00005"}));
    EXPECT_EQ(TestClient::column(all, "DSPKDIME2").at(2), "CDGRUPOPAI");

    EXPECT_EQ(TestClient::column(client->dimensions("00003", ""), "NMITEMDIME"),
              QStringList{"Grupos de Produto"});
    // A code sent without its zeros still finds the stored form.
    EXPECT_EQ(TestClient::column(client->dimensions("3", ""), "NRSEQUEDIME"), QStringList{"00003"});
    EXPECT_EQ(TestClient::column(client->dimensions("", "Cidades"), "NRSEQUEDIME"),
              QStringList{"00004"});
    // Code of one and name of another: both come back, each a match.
    EXPECT_EQ(TestClient::column(client->dimensions("00001", "Vendedores"), "NRSEQUEDIME"),
              QStringList({"00001", "00005"}));
    // Names compare exactly.
    EXPECT_TRUE(client->dimensions("", "cidades").rows.isEmpty());
    const packet::Packet none = client->dimensions("00099", "Nada");
    EXPECT_TRUE(none.rows.isEmpty());
    EXPECT_EQ(none.fields.size(), 7);
}

TEST_F(RemoteMethods, RecordSetsLoadTheRepliesAndSendTheirDeltas)
{
    TClientDataSet dados;
    dados.SetData(client->dimensao("getDimensao", {"", ""}));
    ASSERT_EQ(dados.RecordCount(), 5);
    EXPECT_EQ(dados.FieldByName("NMITEMDIME")->AsString(), "Clientes");

    // Insert through the record set, as the screen does, and read the server's complete list.
    dados.Append();
    dados.FieldByName("IDDIMENSAODW")->SetAsString("S");
    dados.FieldByName("NRSEQUEDIME")->SetAsString("00042");
    dados.FieldByName("NMITEMDIME")->SetAsString("Cidades e regiões");
    dados.FieldByName("CDTABELADIME")->SetAsString("CIDADE");
    dados.FieldByName("DSPKDIME")->SetAsString("CDCIDADE");
    dados.FieldByName("DSITEMDIME")->SetAsString("NMCIDADE");
    dados.Post();
    const Variant reply = client->dimensao("SetDimensao", {dados.Delta()});
    ASSERT_EQ(TestClient::failureOf(reply), "");
    dados.SetData(reply);
    EXPECT_EQ(dados.RecordCount(), 6);

    TClientDataSet extras;
    extras.SetData(client->dimensao("GetExtras", {"00042"}));
    EXPECT_TRUE(extras.IsEmpty());
    extras.Append();
    extras.FieldByName("NRSEQUEDIME")->SetAsString("00042");
    extras.FieldByName("CDATRIBEXTRDIME")->SetAsString("CDREGIAO");
    extras.FieldByName("DSATRIBEXTRDIME")->SetAsString("Código");
    extras.Post();
    EXPECT_EQ(TestClient::failureOf(client->dimensao("setExtras", {extras.Delta()})), "");
    extras.MergeChangeLog();
    extras.Edit();
    extras.FieldByName("DSATRIBEXTRDIME")->SetAsString("Código da região");
    extras.Post();
    EXPECT_EQ(TestClient::failureOf(client->dimensao("setExtras", {extras.Delta()})), "");
    EXPECT_EQ(TestClient::column(client->extras("00042"), "DSATRIBEXTRDIME"),
              QStringList{"Código da região"});

    // Clean up for the other cases: extras first, then the dimension.
    extras.MergeChangeLog();
    extras.Delete();
    EXPECT_EQ(TestClient::failureOf(client->dimensao("setExtras", {extras.Delta()})), "");
    dados.Last();
    dados.Delete();
    EXPECT_EQ(TestClient::failureOf(client->dimensao("SetDimensao", {dados.Delta()})), "");
    EXPECT_EQ(client->codes().size(), 5);
}

TEST_F(RemoteMethods, ExtrasAndTheirClashes)
{
    EXPECT_EQ(TestClient::column(client->extras("00001"), "CDATRIBEXTRDIME"),
              QStringList({"CDCIDADE", "DSSEGMENTO", "DTCADASTRO"}));
    EXPECT_EQ(TestClient::column(client->extras("1"), "CDATRIBEXTRDIME").size(), 3);
    EXPECT_TRUE(client->extras("00003").rows.isEmpty());
    EXPECT_TRUE(client->extras("").rows.isEmpty());

    auto clashes = [&](const QString &code, const QString &field, const QString &name) {
        return TestClient::column(
            TestClient::packetOf(client->dimensao("vdExtras", {code, field, name})),
            "DSATRIBEXTRDIME");
    };
    EXPECT_EQ(clashes("00001", "CDCIDADE", ""), QStringList{"Cidade"});
    EXPECT_EQ(clashes("00001", "", "Segmento"), QStringList{"Segmento"});
    EXPECT_EQ(clashes("00001", "CDCIDADE", "Segmento"), QStringList({"Cidade", "Segmento"}));
    // Another dimension's attribute is no clash; neither is an empty field and name.
    EXPECT_TRUE(clashes("00002", "CDCIDADE", "").isEmpty());
    EXPECT_TRUE(clashes("00001", "", "").isEmpty());
    EXPECT_TRUE(clashes("00001", "", "segmento").isEmpty());
}

TEST_F(RemoteMethods, VdDimensaoJudgesTablesAndFieldsFromTheCatalogue)
{
    auto check = [&](const QString &table, const QStringList &names, Variant *written = nullptr) {
        QList<Variant> items;
        for (const QString &n : names)
            items << Variant(n);
        Variant list = Variant::fromArray(items);
        const Variant reply = client->dimensao("vdDimensao", {table, RemoteArg::ByRef(list)});
        EXPECT_FALSE(server_failure::is(reply));
        if (written) *written = list;
        if (reply.isNull()) return QString("ok");
        EXPECT_TRUE(reply.kind() == Variant::Kind::Array && reply.length() == 1);
        return reply.element(0).toString();
    };
    Variant written;
    EXPECT_EQ(check("GRUPOPRODUTO", {"CDGRUPO", "NMGRUPO", "CDGRUPOPAI"}, &written), "ok");
    EXPECT_EQ(written.length(), 3);
    EXPECT_EQ(check("grupoproduto", {"cdgrupo", "nmgrupo"}, &written), "ok");
    EXPECT_EQ(written.element(0).toString(), "CDGRUPO"); // written back as the catalogue spells it
    // Blank names are not judged: the table is checked before its fields are chosen.
    EXPECT_EQ(check("CLIENTE", {"", "  "}), "ok");

    EXPECT_EQ(check("CLIENTES", {"CDCLIENTE", "NMCLIENTE"}), "INV_TABELACLIENTES");
    EXPECT_EQ(check("", {"CDCLIENTE"}), "INV_TABELA");
    EXPECT_EQ(check("CLIENTE", {"CDCLIENTE", "NOME"}), "INV_CAMPONOME.CLIENTE");
    EXPECT_EQ(check("cliente", {"NOME"}), "INV_CAMPONOME.cliente");
    // A picture and a floating-point rate may not constitute a dimension; a date may.
    EXPECT_EQ(check("CLIENTE", {"CDCLIENTE", "IMFOTO"}), "NO_DIMEIMFOTO");
    EXPECT_EQ(check("PRODUTO", {"PCDESCONTO"}), "NO_DIMEPCDESCONTO");
    EXPECT_EQ(check("CLIENTE", {"DTCADASTRO"}), "ok");
    // The server's own tables are ordinary tables of the database.
    EXPECT_EQ(check("sqlite_master", {"name"}), "INV_TABELAsqlite_master");
}

TEST_F(RemoteMethods, GetFieldsListsTheFieldsADimensionMayUse)
{
    const packet::Packet fields =
        TestClient::packetOf(client->estrutura("getFields", {"D", "cliente"}));
    ASSERT_EQ(fields.fields.size(), 2);
    EXPECT_EQ(fields.fields[0].name, "CDFIELD");
    EXPECT_EQ(fields.fields[0].size, 30);
    EXPECT_EQ(fields.fields[1].name, "DSTIPO"); // each field's declared type
    EXPECT_EQ(TestClient::column(fields, "CDFIELD"),
              QStringList({"CDCLIENTE", "NMCLIENTE", "CDCIDADE", "DSSEGMENTO", "DTCADASTRO"}));

    const QString missing = TestClient::failureOf(client->estrutura("getFields", {"D", "NADA"}));
    EXPECT_TRUE(missing.contains("NADA")) << missing.toStdString();
    EXPECT_THROW(client->estrutura("getFields", {"X", "CLIENTE"}), EConnectionError);
}

TEST_F(RemoteMethods, CallsThatCannotBeMadeGetFaultsAndTheConnectionGoesOn)
{
    CallRecorder recorder;
    recorder.watch(&client->dimensaoConnection());
    auto faultOf = [&](const QString &method, const QList<RemoteArg> &args) -> std::string {
        try {
            client->dimensao(method, args);
        } catch (const EConnectionError &e) {
            return e.Message().toStdString();
        }
        return "no fault";
    };
    EXPECT_NE(faultOf("getdimensao", {"", ""}), "no fault");       // names are case-sensitive
    EXPECT_NE(faultOf("getFields", {"D", "CLIENTE"}), "no fault"); // the other module's method
    EXPECT_NE(faultOf("getDimensao", {""}), "no fault");
    EXPECT_NE(faultOf("getDimensao", {"", "", ""}), "no fault");
    EXPECT_NE(faultOf("getDimensao", {Variant(12), ""}), "no fault");
    EXPECT_NE(faultOf("getDimensao", {Variant::Null(), ""}), "no fault");
    EXPECT_NE(faultOf("SetDimensao", {"not a packet"}), "no fault");
    EXPECT_NE(faultOf("SetDimensao", {client->dimensao("getDimensao", {"", ""})}),
              "no fault"); // content, no delta
    EXPECT_NE(faultOf("vdDimensao", {"CLIENTE", "CDCLIENTE"}), "no fault");
    EXPECT_NE(faultOf("vdDimensao", {"CLIENTE", VarArrayOf({Variant(1)})}), "no fault");
    // A text longer than the field it is compared with.
    const std::string tooLong = faultOf("getDimensao", {"", QString(31, 'x')});
    EXPECT_NE(tooLong.find("30"), std::string::npos) << tooLong;
    EXPECT_NE(faultOf("getDimensao", {"123456", ""}), "no fault");

    EXPECT_EQ(client->codes().size(), 5);
    EXPECT_EQ(recorder.count("getDimensao"), 8);
    EXPECT_EQ(recorder.total(), 14);

    TestClient other(*server);
    EXPECT_THROW(other.estrutura("getDimensao", {"", ""}), EConnectionError);
    auto unknownModule = server->connect("KZR01200.rdmOutro");
    EXPECT_THROW(unknownModule->AppServer().Call("getDimensao", {"", ""}), EConnectionError);
}

} // namespace
