#pragma once

#include <QStringList>

class QWidget;
class TClientDataSet;

// The cube record sets ("CDSCUBO...") the main window owns. Screens that change what the cubes
// are built from destroy them; they are rebuilt on the next need.
class CubeRecordSets
{
public:
    explicit CubeRecordSets(QWidget *owner);
    static QStringList names();               // the cubes the host keeps
    // Creates every cube that is missing; gives how many were created.
    int rebuild();
    QStringList present() const;              // names of the cubes alive now
    TClientDataSet *cube(const QString &name) const;

private:
    QWidget *m_owner;
};
