#pragma once

#include "Catalogue.h"
#include "DimensionCatalogue.h"

#include <QHash>

class Database;

// The rules' view of the database during one save, inside its transaction: the application's
// tables from the catalogue the connection keeps, each table looked up once per save however
// many changes name it, and the stored dimensions and extras as the save has left them so far.
class SaveCatalogue : public DimensionCatalogue
{
public:
    explicit SaveCatalogue(Database &db) : m_db(db) {}

    QString structureError(const QString &table, const QStringList &fields) override;
    std::optional<DimensionRecord> dimension(const QString &code) override;
    bool codeTaken(const QString &code) override;
    bool nameTaken(const QString &name) override;
    bool hasExtras(const QString &code) override;
    bool extraFieldTaken(const QString &code, const QString &field) override;
    bool extraNameTaken(const QString &code, const QString &name) override;

private:
    Database &m_db;
    QHash<QString, std::optional<Catalogue::Table>> m_tables;
};
