#pragma once

#include "DataPacket.h"
#include "DimensionCatalogue.h"
#include "RuleBreach.h"

#include <QHash>
#include <QVector>
#include <memory>

class DimensionSource;
class TNetConnection;
struct AdminServer;

// The rules of a dimension and its extras applied to what is stored, with the server's
// answers as the catalogue (vdDimensao for the structure, the stored list for a dimension).
// Data stored before a rule existed is read and reported, never rewritten.
class StoredRuleCheck : public DimensionCatalogue
{
public:
    struct Breach
    {
        QString code;
        QString extraField; // empty: the dimension itself
        RuleBreach rule;
    };

    StoredRuleCheck(const AdminServer &server, const packet::Packet &dimensions);
    ~StoredRuleCheck() override;

    // Every rule the dimension and its extras break, the dimension's first.
    QVector<Breach> of(const packet::Row &dimension, DimensionSource &source);

    QString structureError(const QString &table, const QStringList &fields) override;
    std::optional<DimensionRecord> dimension(const QString &code) override;
    // A stored record is checked as unchanged, so the rules never ask whether its code, its
    // name or its field is taken by another: those pairs are reported by name (spacedNames).
    bool codeTaken(const QString &) override { return false; }
    bool nameTaken(const QString &) override { return false; }
    bool hasExtras(const QString &) override { return false; }
    bool extraFieldTaken(const QString &, const QString &) override { return false; }
    bool extraNameTaken(const QString &, const QString &) override { return false; }

private:
    DimensionRecord recordOf(const packet::Row &row) const;

    const packet::Packet &m_dimensions;
    std::unique_ptr<TNetConnection> m_dimensao;
    QHash<QString, DimensionRecord> m_byCode;
};
