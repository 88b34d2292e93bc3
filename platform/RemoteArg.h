#pragma once

#include "Variant.h"

#include <QString>

// An argument of a late-bound call: by value, or by reference (the server's value is written
// back into the caller's variant).
class RemoteArg
{
public:
    RemoteArg(const Variant &value) : m_value(value) {}
    RemoteArg(const QString &text) : m_value(text) {}
    RemoteArg(const char *text) : m_value(text) {}
    static RemoteArg ByRef(Variant &target)
    {
        RemoteArg a(target);
        a.m_ref = &target;
        return a;
    }
    const Variant &value() const { return m_value; }
    Variant *ref() const { return m_ref; }

private:
    Variant m_value;
    Variant *m_ref = nullptr;
};
