// Record-set work measured against the least the same job needs: the same bytes decoded into a
// plain vector of strings, the same strings written and read back with bare CBOR streams.
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

// Decodes the packet's bytes into a plain vector of strings (nulls as null strings): the
// least any load of the same bytes must do.
std::vector<QString> decodePlain(const QByteArray &bytes)
{
    QCborStreamReader r(bytes);
    std::vector<QString> out;
    out.reserve(800000);
    std::function<void()> item = [&] {
        if (r.isString()) {
            QString s;
            auto chunk = r.readString();
            while (chunk.status == QCborStreamReader::Ok) {
                s += chunk.data;
                chunk = r.readString();
            }
            out.push_back(std::move(s));
        } else if (r.isArray() || r.isMap()) {
            r.enterContainer();
            while (r.hasNext())
                item();
            r.leaveContainer();
        } else {
            out.emplace_back();
            r.next();
        }
    };
    item();
    return out;
}

QByteArray encodePlain(const std::vector<QString> &values, int perRow)
{
    QByteArray out;
    QCborStreamWriter w(&out);
    w.startArray(values.size() / perRow);
    for (size_t i = 0; i < values.size(); i += perRow) {
        w.startArray(perRow);
        for (int c = 0; c < perRow; ++c) {
            const QString &v = values[i + c];
            if (v.isNull())
                w.append(nullptr);
            else
                w.append(v);
        }
        w.endArray();
    }
    w.endArray();
    return out;
}

void setData100k(benchmark::State &state)
{
    const Variant packet = Variant::fromBytes(bytes100k());
    TClientDataSet set(nullptr, "cdsDados");
    declare(set);
    for (auto _ : state) {
        set.SetData(packet);
        benchmark::DoNotOptimize(set.RecordCount());
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

// One change in a long list: the delta must cost what the change costs, so its floor is the
// load of the whole list (the goal is a small fraction of it).
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

void Delta1in100kFloor(benchmark::State &state)
{
    setData100k(state);
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

void WorkingCopy100kFloor(benchmark::State &state)
{
    std::vector<QString> values;
    for (const packet::Row &row : dimensions(100000).rows)
        for (const auto &v : row)
            values.push_back(v ? *v : QString());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodePlain(encodePlain(values, 7)).size());
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
BENCHMARK(Delta1in100kOurs)->Name("Delta1in100k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(Delta1in100kFloor)->Name("Delta1in100k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(WorkingCopy100kOurs)->Name("WorkingCopy100k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(WorkingCopy100kFloor)->Name("WorkingCopy100k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(BulkToggle10kOurs)->Name("BulkToggle10k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BulkToggle10kFloor)->Name("BulkToggle10k/floor")->Unit(benchmark::kMillisecond);
