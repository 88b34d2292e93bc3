#pragma once

#include "ImportFile.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

class CollectingInteraction;
class TField;
class TfrmDimensao;

// Applies a file of dimensions through the screen itself, as a person at the keyboard would:
// Include, Alter or Delete, the values typed into the record, Confirm. Every check the screen
// makes runs, in its own order, with its own messages; a refused record is cancelled and gets
// one line with what the screen said. A dry run does all of that too, its lines marked: the server
// answers its calls as steps of a transaction it rolls back (TNetConnection::SetDryRun), so it
// tells exactly what the real run would do, refusals included, and changes nothing.
class ScreenImport
{
public:
    struct Counts
    {
        int included = 0;
        int altered = 0;
        int removed = 0;
        int refused = 0;
    };

    ScreenImport(TfrmDimensao &form, CollectingInteraction &ui, QTextStream &out, bool dryRun);

    // deleteMissing: stored dimensions the file does not name are deleted too.
    void apply(const ImportFile &file, bool deleteMissing);
    const Counts &counts() const { return m_counts; }
    QString summary() const;

private:
    bool locate(const QString &code);
    bool applyDimension(const ImportFile::Dimension &d, const QString &code);
    void applyFlag(const ImportFile::Dimension &d, const QString &code);
    void applyExtras(const ImportFile::Dimension &d, const QString &code);
    void removeDimension(const QString &code);
    // Runs a command on the screen: true when it went through, else one line and a cancel.
    template <typename Command> bool attempt(const QString &what, Command command);
    void report(const QString &line);

    TfrmDimensao &m_form;
    CollectingInteraction &m_ui;
    QTextStream &m_out;
    bool m_dryRun;
    Counts m_counts;
};
