#include "CubeRecordSets.h"

#include "TClientDataSet.h"

#include <QWidget>

CubeRecordSets::CubeRecordSets(QWidget *owner) : m_owner(owner)
{
}

QStringList CubeRecordSets::names()
{
    return {QStringLiteral("cdsCuboVendas"), QStringLiteral("CDSCUBOESTOQUE")};
}

TClientDataSet *CubeRecordSets::cube(const QString &name) const
{
    // Direct children only: the cubes belong to the main window itself.
    return m_owner->findChild<TClientDataSet *>(name, Qt::FindDirectChildrenOnly);
}

int CubeRecordSets::rebuild()
{
    int created = 0;
    for (const QString &name : names()) {
        if (cube(name))
            continue;
        auto *dataSet = new TClientDataSet(m_owner, name);
        dataSet->AddField(QStringLiteral("NRSEQUEDIME"), 5);
        dataSet->AddField(QStringLiteral("DSVALOR"), 30);
        dataSet->Open();
        ++created;
    }
    return created;
}

QStringList CubeRecordSets::present() const
{
    QStringList alive;
    for (const QString &name : names()) {
        if (cube(name))
            alive << name;
    }
    return alive;
}
