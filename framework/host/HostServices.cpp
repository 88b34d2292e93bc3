#include "HostServices.h"

#include "TClientDataSet.h"
#include "TextRules.h"

#include <QWidget>

void HostServices::cubeAttributesChanged()
{
    QWidget *main = mainForm();
    if (!main)
        return;
    // They leave the main window at once, but are freed only on the event loop's next turn:
    // whatever of the host's is running now may still be holding one.
    const QObjectList owned = main->children();
    for (qsizetype i = owned.size() - 1; i >= 0; --i) {
        auto *dataSet = qobject_cast<TClientDataSet *>(owned.at(i));
        if (dataSet && UpperCase(dataSet->objectName()).left(7) == QLatin1String("CDSCUBO")) {
            dataSet->setParent(nullptr);
            dataSet->deleteLater();
        }
    }
}
