#pragma once

#include "MethodCall.h"

#include <QHash>
#include <QString>
#include <functional>

class Database;

// The remote data modules and their methods, found by exact, case-sensitive name: late-bound
// dispatch. Filled once at start-up and only read afterwards, from every worker at once.
class MethodRegistry
{
public:
    using Handler = std::function<Variant(Database &db, MethodCall &call)>;

    struct Method
    {
        QVector<Parameter> args;
        Handler handler;
        int index = 0; // in names(): the order of registration
    };

    // A method that writes: only maintainers may call it, and a dry run journals it as a save.
    void add(const QString &module, const QString &method, QVector<Parameter> args,
             Handler handler);
    // A method that only reads: read-only users may call it too (roles::allows), and a dry run
    // answers it without journalling it. The one place a method is said to only read.
    void addReading(const QString &module, const QString &method, QVector<Parameter> args,
                    Handler handler);

    bool hasModule(const QString &module) const { return m_modules.contains(module); }
    const Method *find(const QString &module, const QString &method) const; // nullptr when absent
    // Module and method of every method, by index: what the counts of calls are kept by.
    const QVector<std::pair<QString, QString>> &names() const { return m_names; }

private:
    QHash<QString, QHash<QString, Method>> m_modules;
    QVector<std::pair<QString, QString>> m_names;
};
