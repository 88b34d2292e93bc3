#include "MemberPages.h"

#include "Catalogue.h"
#include "Database.h"
#include "DimensionColumns.h"
#include "MemberQueries.h"
#include "MethodFailure.h"
#include "PageRows.h"
#include "QueryDeadline.h"

#include <QHash>

namespace {

const QStringList &pageFields()
{
    static const QStringList fields = {QStringLiteral("CDMEMBRO"), QStringLiteral("NMMEMBRO"),
                                       QStringLiteral("CDPAI"), QStringLiteral("QTFILHOS"),
                                       QStringLiteral("IDSITUACAO")};
    return fields;
}

Variant pageOf(QVector<packet::Row> rows)
{
    return packet::toVariant(pagePacket(pageFields(), std::move(rows)));
}

// A page statement as MemberQueries writes it. The statements this worker thread wrote are
// kept by what they were written from: writing one is a share of what the server adds to a
// page that is worth saving (docs/server.md, "Member pages").
QString pageStatement(SqlDialect dialect, const DimensionColumns &columns,
                      MemberQueries::Level level, bool following)
{
    thread_local QHash<QString, QString> written;
    // The parts apart by a character no name or type in a catalogue holds.
    const QChar apart(0);
    QString key;
    key.reserve(64);
    key += QChar(u'0' + int(level));
    key += QChar(following ? u'+' : u'-');
    key += QChar(dialect.isSqlite() ? u's' : u'p');
    key += columns.table();
    for (const ProfileQueries::Column *column :
         {&columns.key(), &columns.attribute(), &columns.parent()})
        key += apart + column->name + apart + column->declaredType;
    const auto kept = written.constFind(key);
    if (kept != written.cend()) return *kept;
    // Names come from clients' requests: the memo starts afresh rather than grow past this.
    if (written.size() >= 64) written.clear();
    const MemberQueries sql(dialect, columns.table(), columns.key(), columns.attribute(),
                            columns.parent());
    return *written.insert(key, sql.page(level, following));
}

} // namespace

MemberPages::Plan MemberPages::plan(const DimensionColumns &columns,
                                    const std::optional<QString> &parentKey,
                                    const std::optional<QString> &after, int limit) const
{
    if (!columns.verdict().isNull()) return {columns.verdict(), {}, {}};
    if (columns.isFlat() && parentKey)
        throw MethodFailure(QStringLiteral("Uma dimensão sem campo pai não tem membros filhos: "
                                           "peça a página sem membro pai (nulo)."));

    const MemberQueries sql(m_db.dialect(), columns.table(), columns.key(), columns.attribute(),
                            columns.parent());
    const MemberQueries::Level level = columns.isFlat() ? MemberQueries::Level::All
                                       : parentKey      ? MemberQueries::Level::Children
                                                        : MemberQueries::Level::Top;
    Plan plan;
    // A value no member can hold (a non-number beside an integer key) asks for an empty page.
    std::optional<QVariant> parentValue;
    if (parentKey) {
        parentValue = sql.parentValue(*parentKey);
        if (!parentValue) return {pageOf({}), {}, {}};
    }
    std::optional<QVariant> afterValue;
    if (after) {
        afterValue = sql.keyValue(*after);
        if (!afterValue)
            throw MethodFailure(QStringLiteral("A chave \"%1\" não é um número: a página "
                                               "seguinte não tem onde começar.")
                                    .arg(*after));
    }
    plan.values = MemberQueries::values(level, parentValue, afterValue, limit);
    plan.sql = pageStatement(m_db.dialect(), columns, level, after.has_value());
    return plan;
}

Variant MemberPages::answer(const QString &table, const QString &key, const QString &attribute,
                            const QString &parent, const std::optional<QString> &parentKey,
                            const std::optional<QString> &after, int limit)
{
    Catalogue catalogue(m_db);
    // PostgreSQL: the page on the last look-up's names, sent with a fresh look-up.
    if (const std::optional<Catalogue::Table> kept = catalogue.lastFound(table)) {
        std::optional<Plan> guess;
        try {
            guess = plan(DimensionColumns(m_db, kept, table, key, attribute, parent), parentKey,
                         after, limit);
        } catch (const MethodFailure &) {
            // Said again below, if the fresh look-up agrees.
        }
        if (guess && !guess->answer) {
            QueryDeadline reads(m_db, m_limit);
            const Database::Reads answer =
                reads.select({catalogue.lookUpRead(table),
                              {guess->sql, guess->values, QVector<packet::FieldDef>(5)}},
                             QueryDeadline::Then::End);
            if (answer.packets.isEmpty()) std::rethrow_exception(answer.failure);
            const std::optional<Catalogue::Table> found =
                catalogue.found(table, answer.packets.front());
            if (found == kept) {
                if (answer.failure) std::rethrow_exception(answer.failure);
                return pageOf(answer.packets.back().rows);
            }
            // The table changed since: the page, read on the names of before, is dropped.
            const Plan fresh = plan(DimensionColumns(m_db, found, table, key, attribute, parent),
                                    parentKey, after, limit);
            if (fresh.answer) return *fresh.answer;
            return pageOf(pageRows(reads, fresh.sql, fresh.values, 5, QueryDeadline::Then::End));
        }
    }
    const Plan fresh =
        plan(DimensionColumns(m_db, table, key, attribute, parent), parentKey, after, limit);
    if (fresh.answer) return *fresh.answer;
    // One read: on PostgreSQL its transaction begins and ends in the read's one round trip.
    QueryDeadline reads(m_db, m_limit);
    return pageOf(pageRows(reads, fresh.sql, fresh.values, 5, QueryDeadline::Then::End));
}
