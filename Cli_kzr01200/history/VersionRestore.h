#pragma once

#include "DimensionVersion.h"

#include <QStringList>

class TfrmDimensao;

// Brings a dimension and its extra attributes back to a version of its history through the
// screen's own commands, as a person at the keyboard would: on the Extras tab the attributes
// the version lacks deleted (all of them when the version has another table, which the screen
// takes only from a dimension without attributes); Alter (or Include, for a deleted dimension),
// the values typed, Confirm; then the attributes included and renamed. Every check runs with
// its own messages, and every save is audited as a new change.
//
// All or nothing: the whole restore is first rehearsed (RestoreRehearsal), every step answered
// by the server as the real one would be, and only when every step went through are its saves
// made, in one transaction. A refusal anywhere, in the rehearsal or in that transaction, leaves
// the dimension, its attributes and the audit trail as they were.
class VersionRestore
{
public:
    explicit VersionRestore(TfrmDimensao &form) : m_form(form) {}

    // What restoring would change, one line each; empty when the dimension is as the version.
    QStringList differences(const QString &code, const DimensionVersion &version);
    // False when refused: the screen has said why. Either way it shows what the server holds.
    bool apply(const QString &code, const DimensionVersion &version);
    // apply's rehearsal alone: the same answer, and nothing is saved.
    bool rehearse(const QString &code, const DimensionVersion &version);

private:
    bool run(const QString &code, const DimensionVersion &version, bool keep);
    void restore(const QString &code, const DimensionVersion &version);
    bool locate(const QString &code);
    QMap<QString, QString> storedExtras(const QString &code);
    QMap<QString, QString> shownExtras();
    void removeExtras(const QString &code, const QMap<QString, QString> &kept);
    void restoreDimension(const QString &code, const HistoryEntry::Values &values);
    void restoreExtras(const QString &code, const QMap<QString, QString> &wanted);
    bool locateExtra(const QString &field);
    void showStored(const QString &code);

    TfrmDimensao &m_form;
};
