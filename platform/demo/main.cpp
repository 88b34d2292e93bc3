// A record set on its own: builds the dimension list, edits it and shows what would travel to
// the server. Handy for seeing the change packets without a server or a screen.
#include "DataPacket.h"
#include "TClientDataSet.h"

#include <QTextStream>

namespace {

QString rowText(const std::optional<packet::Row> &row)
{
    if (!row) return QStringLiteral("-");
    QStringList values;
    for (const auto &v : *row)
        values << (v ? QLatin1Char('"') + *v + QLatin1Char('"') : QStringLiteral("null"));
    return QLatin1Char('[') + values.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

int main()
{
    QTextStream out(stdout);
    try {
        TClientDataSet cds(nullptr, QStringLiteral("cdsDados"));
        cds.AddField(QStringLiteral("IDDIMENSAODW"), 1);
        cds.AddField(QStringLiteral("NRSEQUEDIME"), 5)->SetEditMask(QStringLiteral("!99999;0; "));
        cds.AddField(QStringLiteral("NMITEMDIME"), 30);

        packet::Packet list;
        list.fields = {{"IDDIMENSAODW", 1}, {"NRSEQUEDIME", 5}, {"NMITEMDIME", 30}};
        list.rows = {{QString("S"), QString("00001"), QString("Cliente")},
                     {QString("N"), QString("00002"), QString("Produto")}};
        cds.SetData(packet::toVariant(list));

        cds.Edit();
        cds.FieldByName(QStringLiteral("NMITEMDIME"))->SetAsString(QStringLiteral("Clientes"));
        cds.Append();
        cds.FieldByName(QStringLiteral("IDDIMENSAODW"))->SetAsString(QStringLiteral("S"));
        cds.FieldByName(QStringLiteral("NRSEQUEDIME"))->SetText(QStringLiteral("   12"));
        cds.FieldByName(QStringLiteral("NMITEMDIME"))->SetAsString(QStringLiteral("Tempo"));
        cds.Post();
        cds.SetRecNo(2);
        cds.Delete();

        const packet::Packet delta = packet::fromVariant(cds.Delta());
        out << "Alterações pendentes: " << cds.ChangeCount() << "\n";
        for (const packet::Change &c : delta.changes) {
            const char *op = c.op == packet::ChangeOp::Insert   ? "insert"
                             : c.op == packet::ChangeOp::Modify ? "modify"
                                                                : "delete";
            out << "  " << op << "  antigo " << rowText(c.oldRow) << "  novo " << rowText(c.newRow)
                << "\n";
        }
        out << "Pacote de dados: " << cds.Data().bytes().size()
            << " bytes, pacote de alterações: " << cds.Delta().bytes().size() << " bytes\n";
    } catch (const Exception &e) {
        QTextStream(stderr) << e.Message() << "\n";
        return 1;
    }
    return 0;
}
