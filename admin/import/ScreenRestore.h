#pragma once

#include <QString>
#include <QTextStream>

class CollectingInteraction;
class TfrmDimensao;

// kzr-admin restore: a dimension brought back to how it was right after its last change up to
// a moment, through the screen itself (VersionRestore), with what the screen said collected.
// A dry run only tells what would change.
class ScreenRestore
{
public:
    ScreenRestore(TfrmDimensao &form, CollectingInteraction &ui, QTextStream &out, bool dryRun)
        : m_form(form), m_ui(ui), m_out(out), m_dryRun(dryRun)
    {
    }

    // at: ISO 8601, UTC. False when the screen refused (its words are written out). Throws
    // Exception when the dimension has no change up to that moment.
    bool apply(const QString &code, const QString &at);

private:
    TfrmDimensao &m_form;
    CollectingInteraction &m_ui;
    QTextStream &m_out;
    bool m_dryRun;
};
