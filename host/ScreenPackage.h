#pragma once

#include <QString>

class QLibrary;

// A loaded screen package and its two exported entries.
class ScreenPackage
{
public:
    using Entry = void (*)();

    ScreenPackage(QLibrary *library, Entry create, Entry iniProc)
        : m_library(library), m_create(create), m_iniProc(iniProc) {}
    QString fileName() const;
    // CRIADIMENSAO: creates the screen once, then restores and shows it.
    Entry create() const { return m_create; }
    Entry iniProc() const { return m_iniProc; }

private:
    QLibrary *m_library;
    Entry m_create;
    Entry m_iniProc;
};
