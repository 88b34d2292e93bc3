#pragma once

#include "DimensionVersion.h"

#include <QStringList>

class TfrmDimensao;

// Brings a dimension and its extra attributes back to a version of its history through the
// screen's own commands, as a person at the keyboard would: Alter (or Include, for a deleted
// dimension), the values typed, Confirm; then the extra attributes deleted, included and
// renamed on the Extras tab. Every check runs with its own messages, and every save is audited
// as a new change.
//
// The dimension comes first and is always checked, changed or not, and so is the field of
// every attribute the version adds, against the dimension about to be saved: a rule that now
// refuses either (a table or column that no longer exists, a name another dimension took)
// stops the restore before anything is saved. A refusal that only the saves of the extras
// meet (a name clash with an attribute stored meanwhile) stops it there.
class VersionRestore
{
public:
    explicit VersionRestore(TfrmDimensao &form) : m_form(form) {}

    // What restoring would change, one line each; empty when the dimension is as the version.
    QStringList differences(const QString &code, const DimensionVersion &version);
    // False when refused: the screen has said why and shows again what the server holds.
    bool apply(const QString &code, const DimensionVersion &version);

private:
    bool locate(const QString &code);
    QMap<QString, QString> storedExtras(const QString &code);
    void restoreDimension(const QString &code, const HistoryEntry::Values &values,
                          const QStringList &addedFields);
    void checkAddedFields(const QStringList &fields);
    void restoreExtras(const QString &code, const QMap<QString, QString> &wanted);
    bool locateExtra(const QString &field);
    void giveUp(const QString &code);

    TfrmDimensao &m_form;
};
