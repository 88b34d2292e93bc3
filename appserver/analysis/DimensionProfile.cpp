#include "DimensionProfile.h"

namespace {

class MeasureRows
{
public:
    void add(const char *measure, const std::optional<QString> &value)
    {
        m_rows.push_back(packet::Row{QString::fromLatin1(measure), value});
    }
    void add(const char *measure, qint64 value) { add(measure, QString::number(value)); }
    void addEach(const char *measure, const QStringList &values)
    {
        for (const QString &value : values)
            add(measure, value.size() > DimensionProfile::ExampleWidth
                             ? value.left(DimensionProfile::ExampleWidth - 1) + QChar(0x2026)
                             : value);
    }

    packet::Packet packet() const
    {
        int width = 1;
        for (const packet::Row &row : m_rows)
            if (row[1]) width = std::max(width, int(row[1]->size()));
        packet::Packet result;
        result.fields = {{QStringLiteral("CDMEDIDA"), 30}, {QStringLiteral("VLMEDIDA"), width}};
        result.rows = m_rows;
        return result;
    }

private:
    QVector<packet::Row> m_rows;
};

} // namespace

packet::Packet DimensionProfile::toPacket() const
{
    const std::optional<QString> none;
    MeasureRows m;
    m.add("LINHAS", rows);
    m.add("CHAVES_DISTINTAS", distinctKeys);
    m.add("CHAVES_NULAS", nullKeys);
    m.add("CHAVES_REPETIDAS", repeatedKeys);
    m.addEach("EXEMPLO_CHAVE_REPETIDA", repeatedKeyExamples);
    m.add("ATRIBUTOS_VAZIOS", blankAttributes);
    m.add("PROFUNDIDADE", depth);
    m.add("TIPO_CHAVE", keyType);
    m.add("ORFAOS", hierarchy ? std::optional<QString>(QString::number(hierarchy->orphans)) : none);
    if (hierarchy) m.addEach("EXEMPLO_ORFAO", hierarchy->orphanExamples);
    m.add("CICLOS", hierarchy ? std::optional<QString>(QString::number(hierarchy->cycles)) : none);
    if (hierarchy) m.addEach("CICLO", hierarchy->cycleExample);
    m.add("TIPO_PAI", hierarchy ? std::optional<QString>(hierarchy->parentType) : none);
    m.add("TIPO_PAI_DIFERENTE",
          hierarchy ? std::optional<QString>(hierarchy->parentTypeDiffers ? QStringLiteral("S")
                                                                          : QStringLiteral("N"))
                    : none);
    return m.packet();
}
