#include "ScreenPackage.h"

#include <QLibrary>

QString ScreenPackage::fileName() const
{
    return m_library->fileName();
}
