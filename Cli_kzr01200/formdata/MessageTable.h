#pragma once

#include <QStringList>

// The screen's message catalogue, one "key|text" line per entry.
QStringList dimensaoMessageLines();
