#include "MemberTree.h"

#include "AdminServer.h"
#include "CsvCell.h"
#include "DimensionSource.h"
#include "Exceptions.h"
#include "ServerFailure.h"
#include "TNetConnection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QVector>

namespace {

// The most the server gives in one page.
constexpr int PageSize = 1000;
enum Column { Key, Name, Parent, Children, Situation };

QString jsonText(const std::optional<QString> &value)
{
    if (!value) return QStringLiteral("null");
    const QByteArray array = QJsonDocument(QJsonArray{*value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

MemberTree::MemberTree(const AdminServer &server, const QString &code)
{
    DimensionSource source(server);
    const packet::Packet dimensions = source.dimensions();
    for (const packet::Row &row : dimensions.rows) {
        const auto field = [&](const char *name) {
            return DimensionSource::value(dimensions, row, QString::fromLatin1(name));
        };
        if (field("NRSEQUEDIME") != code) continue;
        m_table = field("CDTABELADIME");
        m_key = field("DSPKDIME");
        m_attribute = field("DSITEMDIME");
        m_parent = field("DSPKDIME2");
        m_name = field("NMITEMDIME");
        m_analise = server.connect(QStringLiteral("KZR01200.rdmAnalise"));
        return;
    }
    throw Exception(QStringLiteral("Não há dimensão com o código \"%1\".").arg(code));
}

MemberTree::~MemberTree() = default;

packet::Packet MemberTree::page(const std::optional<QString> &parentKey,
                                const std::optional<QString> &after)
{
    const auto orNull = [](const std::optional<QString> &v) {
        return v ? Variant(*v) : Variant::Null();
    };
    const Variant reply = m_analise->AppServer().Call(
        QStringLiteral("getMembros"), {m_table, m_key, m_attribute, m_parent, orNull(parentKey),
                                       orNull(after), Variant(PageSize)});
    if (server_failure::is(reply)) throw Exception(server_failure::message(reply));
    if (reply.kind() == Variant::Kind::Array)
        throw Exception(
            QStringLiteral("A dimensão não pode ser lida: %1").arg(reply.element(0).toString()));
    return packet::fromVariant(reply);
}

// Depth first, with a stack of its own (a hierarchy may be thousands of levels deep), one page
// per level in memory. A key already on the way down is not entered again: repeated keys can
// make a way down that leads back to itself.
void MemberTree::walk(const Visitor &visitor)
{
    struct Level
    {
        std::optional<QString> parentKey;
        packet::Packet page;
        int next = 0;
    };
    QVector<Level> stack{{std::nullopt, page(std::nullopt, std::nullopt), 0}};
    QSet<QString> onTheWay;
    while (!stack.isEmpty()) {
        Level &level = stack.last();
        if (level.next == level.page.rows.size()) {
            const bool full = level.page.rows.size() >= PageSize;
            if (full) {
                level.page = page(level.parentKey, level.page.rows.last()[Key]);
                level.next = 0;
                continue;
            }
            const std::optional<QString> done = level.parentKey;
            stack.removeLast();
            if (done) {
                onTheWay.remove(*done);
                visitor.leave(int(stack.size()));
            }
            continue;
        }
        const packet::Row row = level.page.rows[level.next++];
        const QString key = row[Key].value_or(QString());
        const bool hasChildren = !m_parent.isEmpty() &&
                                 row[Children].value_or(QString()).toLongLong() > 0 &&
                                 !onTheWay.contains(key);
        visitor.enter(row, int(stack.size()), hasChildren);
        if (!hasChildren) continue;
        onTheWay.insert(key);
        stack.push_back({key, page(key, std::nullopt), 0});
    }
}

void MemberTree::writeJson(const Sink &sink)
{
    sink(QStringLiteral("{\"dimensao\": %1, \"tabela\": %2, \"membros\": [")
             .arg(jsonText(m_name), jsonText(m_table)));
    QVector<bool> first{true}; // per level: no member written yet
    walk({[&](const packet::Row &row, int level, bool hasChildren) {
              first.resize(level + 1);
              sink((first[level - 1] ? QStringLiteral("\n") : QStringLiteral(",\n")) +
                   QString(level * 2, QLatin1Char(' ')) +
                   QStringLiteral("{\"CDMEMBRO\": %1, \"NMMEMBRO\": %2, \"IDSITUACAO\": %3, "
                                  "\"filhos\": [")
                       .arg(jsonText(row[Key]), jsonText(row[Name]), jsonText(row[Situation])));
              first[level - 1] = false;
              if (!hasChildren)
                  sink(QStringLiteral("]}"));
              else
                  first[level] = true;
          },
          [&](int level) {
              sink(QStringLiteral("\n") + QString(level * 2, QLatin1Char(' ')) +
                   QStringLiteral("]}"));
          }});
    sink(QStringLiteral("\n]}\n"));
}

void MemberTree::writeCsv(const Sink &sink)
{
    sink(QStringLiteral("CDMEMBRO,NMMEMBRO,CDPAI,NIVEL\r\n"));
    walk({[&](const packet::Row &row, int level, bool) {
              sink(QStringList{csvCell(row[Key]), csvCell(row[Name]), csvCell(row[Parent]),
                               QString::number(level)}
                       .join(QLatin1Char(',')) +
                   QStringLiteral("\r\n"));
          },
          [](int) {}});
}
