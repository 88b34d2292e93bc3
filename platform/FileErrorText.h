#pragma once

#include <QString>

class QFileDevice;
struct QJsonParseError;

// Why a file could not be read, written or understood, in Portuguese words. Qt's own texts for
// these are English (and name system calls): every message about a file takes its reason here.
class FileErrorText
{
public:
    // After a failed open, read or write; the reason of an open is read off what is there (no
    // such file or folder, a folder in its place, no permission).
    static QString reading(const QFileDevice &file);
    static QString writing(const QFileDevice &file);
    // Why a text is not the JSON it should be.
    static QString parsing(const QJsonParseError &error);
};
