#include "ProfileReport.h"

#include "DataPacket.h"
#include "ServerFailure.h"

#include <QJsonArray>
#include <QLocale>

namespace {

QString number(qint64 n)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(n);
}

QString counted(qint64 n, const char *one, const char *many)
{
    return number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}

// The text after a structure-error key, in words.
QString structureProblem(const QString &text)
{
    if (text.startsWith(QLatin1String("INV_TABELA")))
        return QStringLiteral("a tabela \"%1\" não existe").arg(text.mid(10));
    if (text.startsWith(QLatin1String("INV_CAMPO"))) {
        const QString rest = text.mid(9);
        const qsizetype dot = rest.lastIndexOf(QLatin1Char('.'));
        return QStringLiteral("o campo \"%1\" não existe na tabela \"%2\"")
            .arg(rest.left(dot), rest.mid(dot + 1));
    }
    if (text.startsWith(QLatin1String("NO_DIME")))
        return QStringLiteral("o campo \"%1\" não pode constituir uma dimensão").arg(text.mid(7));
    return text;
}

} // namespace

ProfileReport::ProfileReport(const Variant &reply)
{
    if (server_failure::is(reply)) {
        m_problems << server_failure::message(reply);
        return;
    }
    if (reply.kind() == Variant::Kind::Array) {
        m_problems << structureProblem(reply.length() > 0 ? reply.element(0).toString()
                                                          : QString());
        return;
    }
    const packet::Packet p = packet::fromVariant(reply);
    for (const packet::Row &row : p.rows)
        m_measures[row.value(0).value_or(QString())] << row.value(1);
    judge();
}

QString ProfileReport::value(const QString &measure) const
{
    const auto values = m_measures.value(measure);
    return values.isEmpty() ? QString() : values.first().value_or(QString());
}

qint64 ProfileReport::count(const QString &measure) const
{
    return value(measure).toLongLong();
}

bool ProfileReport::has(const QString &measure) const
{
    const auto values = m_measures.value(measure);
    return !values.isEmpty() && values.first().has_value();
}

void ProfileReport::judge()
{
    const auto examples = [&](const QString &measure, const QString &separator) {
        QStringList items;
        for (const std::optional<QString> &v : m_measures.value(measure))
            items << v.value_or(QString());
        return items.isEmpty() ? QString()
                               : QStringLiteral(" (ex.: %1)").arg(items.join(separator));
    };
    const auto problem = [&](const QString &text) {
        m_parts << text;
        m_problems << text;
    };
    m_parts << counted(count(QStringLiteral("LINHAS")), "membro", "membros");
    const qint64 repeated = count(QStringLiteral("CHAVES_REPETIDAS"));
    const qint64 nullKeys = count(QStringLiteral("CHAVES_NULAS"));
    if (repeated == 0 && nullKeys == 0) m_parts << QStringLiteral("chave única");
    if (repeated > 0)
        problem(counted(repeated, "chave repetida", "chaves repetidas") +
                examples(QStringLiteral("EXEMPLO_CHAVE_REPETIDA"), QStringLiteral(", ")));
    if (nullKeys > 0) problem(counted(nullKeys, "chave nula", "chaves nulas"));
    const qint64 blank = count(QStringLiteral("ATRIBUTOS_VAZIOS"));
    if (blank > 0)
        problem(counted(blank, "atributo principal vazio", "atributos principais vazios"));
    if (has(QStringLiteral("ORFAOS"))) {
        const qint64 orphans = count(QStringLiteral("ORFAOS"));
        const QString text = counted(orphans, "órfão", "órfãos") +
                             examples(QStringLiteral("EXEMPLO_ORFAO"), QStringLiteral(", "));
        if (orphans > 0)
            problem(text);
        else
            m_parts << text;
    }
    if (count(QStringLiteral("CICLOS")) > 0)
        problem(counted(count(QStringLiteral("CICLOS")), "ciclo", "ciclos") +
                examples(QStringLiteral("CICLO"), QStringLiteral(" → ")));
    if (value(QStringLiteral("TIPO_PAI_DIFERENTE")) == QLatin1String("S"))
        problem(QStringLiteral("tipo do pai (%1) difere do da chave (%2)")
                    .arg(value(QStringLiteral("TIPO_PAI")), value(QStringLiteral("TIPO_CHAVE"))));
    m_parts << QStringLiteral("profundidade %1").arg(count(QStringLiteral("PROFUNDIDADE")));
}

QString ProfileReport::summary() const
{
    return m_parts.isEmpty() ? m_problems.join(QStringLiteral(" · "))
                             : m_parts.join(QStringLiteral(" · "));
}

QJsonObject ProfileReport::toJson() const
{
    QJsonObject object;
    for (auto it = m_measures.cbegin(); it != m_measures.cend(); ++it) {
        const bool list =
            it.key() == QLatin1String("CICLO") || it.key().startsWith(QLatin1String("EXEMPLO_"));
        const auto jsonOf = [&](const std::optional<QString> &v) -> QJsonValue {
            if (!v) return QJsonValue::Null;
            bool isNumber = false;
            const qint64 n = v->toLongLong(&isNumber);
            const bool numeric = isNumber && !it.key().startsWith(QLatin1String("TIPO_")) && !list;
            return numeric ? QJsonValue(n) : QJsonValue(*v);
        };
        if (list) {
            QJsonArray items;
            for (const std::optional<QString> &v : it.value())
                items.append(jsonOf(v));
            object.insert(it.key(), items);
        } else {
            object.insert(it.key(), jsonOf(it.value().first()));
        }
    }
    object.insert(QStringLiteral("problemas"), QJsonArray::fromStringList(m_problems));
    return object;
}
