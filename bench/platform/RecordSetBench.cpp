// Record-set work measured against the least the same job needs: walking the same CBOR with a
// bare stream reader, writing the same strings with a bare stream writer.
#include "DataPacket.h"
#include "TClientDataSet.h"

#include <QCborStreamReader>
#include <QCborStreamWriter>
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

// Reads every string and null of the packet, keeping the strings: the least a load must do.
qsizetype walk(const QByteArray &bytes)
{
    QCborStreamReader r(bytes);
    QVector<QString> kept;
    kept.reserve(800000);
    qsizetype nulls = 0;
    std::function<void()> item = [&] {
        if (r.isString()) {
            QString s;
            auto chunk = r.readString();
            while (chunk.status == QCborStreamReader::Ok) {
                s += chunk.data;
                chunk = r.readString();
            }
            kept.append(std::move(s));
        } else if (r.isArray() || r.isMap()) {
            r.enterContainer();
            while (r.hasNext())
                item();
            r.leaveContainer();
        } else {
            ++nulls;
            r.next();
        }
    };
    item();
    return kept.size() + nulls;
}

void SetData100kOurs(benchmark::State &state)
{
    const Variant packet = Variant::fromBytes(bytes100k());
    TClientDataSet set(nullptr, "cdsDados");
    declare(set);
    for (auto _ : state) {
        set.SetData(packet);
        benchmark::DoNotOptimize(set.RecordCount());
    }
}

void SetData100kFloor(benchmark::State &state)
{
    const QByteArray &bytes = bytes100k();
    for (auto _ : state)
        benchmark::DoNotOptimize(walk(bytes));
}

void Data100kOurs(benchmark::State &state)
{
    TClientDataSet set(nullptr, "cdsDados");
    declare(set);
    set.SetData(Variant::fromBytes(bytes100k()));
    for (auto _ : state)
        benchmark::DoNotOptimize(set.Data().bytes().size());
}

void Data100kFloor(benchmark::State &state)
{
    const packet::Packet p = dimensions(100000);
    for (auto _ : state) {
        QByteArray out;
        QCborStreamWriter w(&out);
        w.startArray(p.rows.size());
        for (const packet::Row &row : p.rows) {
            w.startArray(row.size());
            for (const auto &v : row) {
                if (v)
                    w.append(*v);
                else
                    w.append(nullptr);
            }
            w.endArray();
        }
        w.endArray();
        benchmark::DoNotOptimize(out.size());
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

void BulkToggle10kFloor(benchmark::State &state)
{
    const packet::Packet p = dimensions(10000);
    for (auto _ : state) {
        packet::Packet copy = packet::decode(packet::encode(p));
        packet::Packet delta;
        delta.isDelta = true;
        delta.fields = copy.fields;
        delta.changes.reserve(copy.rows.size());
        for (packet::Row &row : copy.rows) {
            packet::Row changed = row;
            changed[0] = QString("N");
            delta.changes.append({packet::ChangeOp::Modify, row, std::move(changed)});
        }
        benchmark::DoNotOptimize(packet::encode(delta).size());
    }
}

} // namespace

BENCHMARK(SetData100kOurs)->Name("SetData100k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(SetData100kFloor)->Name("SetData100k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(Data100kOurs)->Name("Data100k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(Data100kFloor)->Name("Data100k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(BulkToggle10kOurs)->Name("BulkToggle10k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BulkToggle10kFloor)->Name("BulkToggle10k/floor")->Unit(benchmark::kMillisecond);
