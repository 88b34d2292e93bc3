#pragma once

#include "DataPacket.h"

#include <QString>
#include <QVector>

// The fixed shape of one of the server's own tables: its fields in packet order with their
// widths, and which of them form the key. The one place those names and widths are written.
class TableLayout
{
public:
    struct Field
    {
        QString name;
        int width = 0;
    };

    TableLayout(QString table, QVector<Field> fields, QVector<int> keyFields);

    // DIMENSAODIME: the fields of the screen's dimension record set, in its order.
    static const TableLayout &dimensions();
    // ATRIBEXTRADIME: the fields of the screen's extra-attribute record set.
    static const TableLayout &extras();
    // The one-field answer of the field lookup.
    static const TableLayout &fieldList();

    const QString &table() const { return m_table; }
    const QVector<Field> &fields() const { return m_fields; }
    const QVector<int> &keyFields() const { return m_keyFields; }
    int indexOf(const QString &fieldName) const; // -1 when absent
    QVector<packet::FieldDef> fieldDefs() const;
    QString columnList() const; // "A, B, C" for SELECT and INSERT
    QString selectAll() const;  // "SELECT A, B, C FROM T"

private:
    QString m_table;
    QVector<Field> m_fields;
    QVector<int> m_keyFields;
};
