#pragma once

#include <QString>
#include <QTextStream>

class CollectingInteraction;
class TfrmDimensao;

// kzr-admin restore: a dimension brought back to how it was right after its last change up to
// a moment, through the screen itself (VersionRestore), with what the screen said collected.
// A dry run tells what would change and runs the restore's rehearsal, which answers as the
// real restore would, refusals included, and saves nothing.
class ScreenRestore
{
public:
    ScreenRestore(TfrmDimensao &form, CollectingInteraction &ui, QTextStream &out, bool dryRun)
        : m_form(form), m_ui(ui), m_out(out), m_dryRun(dryRun)
    {
    }

    // at: ISO 8601, UTC. False when the screen refused (its words are written out), in a dry run
    // too. Throws Exception when the dimension has no change up to that moment.
    bool apply(const QString &code, const QString &at);

private:
    TfrmDimensao &m_form;
    CollectingInteraction &m_ui;
    QTextStream &m_out;
    bool m_dryRun;
};
