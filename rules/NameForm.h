#pragma once

#include <QString>

// The normal form of a table or field name: letters a to z upper-cased, every blank removed
// ("cd cliente" -> "CDCLIENTE"; accented letters keep their case).
QString normalName(const QString &name);
