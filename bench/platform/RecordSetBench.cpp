// Record-set work measured against the least the same job needs: the same bytes decoded into a
// plain vector of strings, the same values copied and changed in a plain vector, the same
// changes written with a bare CBOR writer.
#include "DataPacket.h"
#include "TClientDataSet.h"

#include <benchmark/benchmark.h>

namespace {

const QVector<packet::FieldDef> DimensionFields = {
    {"IDDIMENSAODW", 1}, {"NRSEQUEDIME", 5}, {"NMITEMDIME", 30}, {"CDTABELADIME", 30},
    {"DSPKDIME", 30},    {"DSITEMDIME", 30}, {"DSPKDIME2", 30},
};

packet::Packet dimensions(int count)
{
    packet::Packet p;
    p.fields = DimensionFields;
    p.rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        p.rows.append({QString("S"), QString::number(i % 100000), QString("Dimensão %1").arg(i),
                       QString("TABELA_%1").arg(i % 97), QString("ID"), QString("NOME"),
                       i % 3 ? std::optional<QString>() : QString("IDPAI")});
    }
    return p;
}

const QByteArray &bytes100k()
{
    static const QByteArray bytes = packet::encode(dimensions(100000));
    return bytes;
}

void declare(TClientDataSet &set)
{
    for (const auto &f : DimensionFields)
        set.AddField(f.name, f.size);
}

// Decodes the packet's bytes into a plain vector of strings (nulls as null strings): the
// least any load of the same bytes must do. A bare walk over the CBOR that the packet writer
// makes (definite lengths only), with no checks beyond the UTF-8 conversion itself.
std::vector<QString> decodePlain(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const quint8 *>(bytes.constData());
    qsizetype pos = 0;
    std::vector<QString> out;
    out.reserve(800000);
    std::function<void()> item = [&] {
        const quint8 initial = data[pos++];
        const quint8 major = initial >> 5, info = initial & 0x1f;
        quint64 argument = info;
        if (info >= 24 && info <= 27) {
            argument = 0;
            for (int i = 0; i < (1 << (info - 24)); ++i)
                argument = (argument << 8) | data[pos++];
        }
        switch (major) {
        case 3:
            out.push_back(QString::fromUtf8(bytes.constData() + pos, qsizetype(argument)));
            pos += qsizetype(argument);
            break;
        case 4:
            for (quint64 i = 0; i < argument; ++i)
                item();
            break;
        case 5:
            for (quint64 i = 0; i < 2 * argument; ++i)
                item();
            break;
        case 7:
            out.emplace_back();
            break;
        default: // integers: nothing to keep
            break;
        }
    };
    item();
    return out;
}

// The load and then every value read once: a set makes a row's texts only when it is first
// read, so the same work as the floor's is the load with every value asked for.
void setData100k(benchmark::State &state)
{
    const Variant packet = Variant::fromBytes(bytes100k());
    TClientDataSet set(nullptr, "cdsDados");
    declare(set);
    const int fields = set.FieldCount();
    for (auto _ : state) {
        set.SetData(packet);
        for (int row = 0; row < set.RecordCount(); ++row)
            for (int f = 0; f < fields; ++f)
                benchmark::DoNotOptimize(set.ValueAt(row, f).size());
    }
}

void SetData100kOurs(benchmark::State &state)
{
    setData100k(state);
}

void SetData100kFloor(benchmark::State &state)
{
    const QByteArray &bytes = bytes100k();
    for (auto _ : state)
        benchmark::DoNotOptimize(decodePlain(bytes).size());
}

// One change in a long list: the delta must cost what the change costs, so its floor is that
// one change written directly, its old and new values with the field list.
void Delta1in100kOurs(benchmark::State &state)
{
    TClientDataSet set(nullptr, "cdsDados");
    declare(set);
    set.SetData(Variant::fromBytes(bytes100k()));
    set.SetRecNo(50000);
    set.Edit();
    set.FieldByName("IDDIMENSAODW")->SetAsString("N");
    set.Post();
    for (auto _ : state)
        benchmark::DoNotOptimize(set.Delta().bytes().size());
}

// The least a CBOR writer can be for these values: heads and UTF-8, straight into the bytes.
class BareCbor
{
public:
    explicit BareCbor(QByteArray *out) : m_out(*out) {}
    void startArray(quint64 count) { head(4, count); }
    void endArray() {}
    void append(std::nullptr_t) { m_out.append(char(0xf6)); }
    void append(qint64 n) { head(0, quint64(n)); }
    void append(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        head(3, quint64(utf8.size()));
        m_out.append(utf8);
    }

private:
    void head(quint8 major, quint64 n)
    {
        const char type = char(major << 5);
        if (n < 24) {
            m_out.append(char(type | char(n)));
            return;
        }
        const int width = n <= 0xff ? 1 : n <= 0xffff ? 2 : n <= 0xffffffffu ? 4 : 8;
        m_out.append(char(type | char(24 + (width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3))));
        for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
            m_out.append(char((n >> shift) & 0xff));
    }
    QByteArray &m_out;
};

void writeValues(BareCbor &w, const QString *values, int count)
{
    w.startArray(count);
    for (int c = 0; c < count; ++c) {
        if (values[c].isNull())
            w.append(nullptr);
        else
            w.append(values[c]);
    }
    w.endArray();
}

void writeFields(BareCbor &w)
{
    w.startArray(DimensionFields.size());
    for (const auto &f : DimensionFields) {
        w.startArray(2);
        w.append(f.name);
        w.append(qint64(f.size));
        w.endArray();
    }
    w.endArray();
}

void Delta1in100kFloor(benchmark::State &state)
{
    const packet::Packet list = dimensions(50001);
    std::vector<QString> oldRow, newRow;
    for (const auto &v : list.rows.last())
        oldRow.push_back(v ? *v : QString());
    newRow = oldRow;
    newRow[0] = QStringLiteral("N");
    for (auto _ : state) {
        QByteArray out;
        BareCbor w(&out);
        w.startArray(2);
        writeFields(w);
        w.startArray(1);
        w.startArray(2);
        writeValues(w, oldRow.data(), 7);
        writeValues(w, newRow.data(), 7);
        w.endArray();
        w.endArray();
        w.endArray();
        benchmark::DoNotOptimize(out.size());
    }
}

std::vector<QString> plainValues(int count)
{
    std::vector<QString> values;
    values.reserve(size_t(count) * 7);
    for (const packet::Row &row : dimensions(count).rows)
        for (const auto &v : row)
            values.push_back(v ? *v : QString());
    return values;
}

// The working copy: the whole content read off one set and loaded into another.
void WorkingCopy100kOurs(benchmark::State &state)
{
    TClientDataSet set(nullptr, "cdsDados"), copy(nullptr, "cdsVDDados");
    declare(set);
    declare(copy);
    set.SetData(Variant::fromBytes(bytes100k()));
    for (auto _ : state) {
        copy.SetData(set.Data());
        benchmark::DoNotOptimize(copy.RecordCount());
    }
}

// The floor: the values held in a plain vector, copied.
void WorkingCopy100kFloor(benchmark::State &state)
{
    const std::vector<QString> values = plainValues(100000);
    for (auto _ : state) {
        std::vector<QString> copy = values;
        benchmark::DoNotOptimize(copy.data());
    }
}

// The bulk toggle: copy the list, write every row, take the delta.
void BulkToggle10kOurs(benchmark::State &state)
{
    TClientDataSet main(nullptr, "cdsDados"), copy(nullptr, "cdsVDDados");
    declare(main);
    declare(copy);
    main.SetData(packet::toVariant(dimensions(10000)));
    for (auto _ : state) {
        copy.SetData(main.Data());
        TField *flag = copy.FieldByName("IDDIMENSAODW");
        for (copy.First(); !copy.Eof();) {
            copy.Edit();
            flag->SetAsString("N");
            copy.Next();
        }
        benchmark::DoNotOptimize(copy.Delta().bytes().size());
    }
}

// The floor: a plain vector copied, every row's flag written, each change (old and new
// values) written with a bare CBOR writer.
void BulkToggle10kFloor(benchmark::State &state)
{
    const std::vector<QString> values = plainValues(10000);
    for (auto _ : state) {
        std::vector<QString> copy = values;
        QByteArray out;
        BareCbor w(&out);
        w.startArray(2);
        writeFields(w);
        w.startArray(copy.size() / 7);
        for (size_t i = 0; i < copy.size(); i += 7) {
            w.startArray(2);
            writeValues(w, values.data() + i, 7);
            copy[i] = QStringLiteral("N");
            writeValues(w, copy.data() + i, 7);
            w.endArray();
        }
        w.endArray();
        w.endArray();
        benchmark::DoNotOptimize(out.size());
    }
}

} // namespace

BENCHMARK(SetData100kOurs)->Name("SetData100k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(SetData100kFloor)->Name("SetData100k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(Delta1in100kOurs)->Name("Delta1in100k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(Delta1in100kFloor)->Name("Delta1in100k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(WorkingCopy100kOurs)->Name("WorkingCopy100k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(WorkingCopy100kFloor)->Name("WorkingCopy100k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(BulkToggle10kOurs)->Name("BulkToggle10k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BulkToggle10kFloor)->Name("BulkToggle10k/floor")->Unit(benchmark::kMillisecond);
