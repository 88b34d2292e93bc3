#include "MethodRegistry.h"

#include "Role.h"

void MethodRegistry::add(const QString &module, const QString &method, QVector<Parameter> args,
                         Handler handler)
{
    m_modules[module].insert(method,
                             Method{std::move(args), std::move(handler), int(m_names.size())});
    m_names.push_back({module, method});
}

void MethodRegistry::addReading(const QString &module, const QString &method,
                                QVector<Parameter> args, Handler handler)
{
    roles::allowReading(method);
    add(module, method, std::move(args), std::move(handler));
}

const MethodRegistry::Method *MethodRegistry::find(const QString &module,
                                                   const QString &method) const
{
    const auto moduleIt = m_modules.constFind(module);
    if (moduleIt == m_modules.constEnd()) return nullptr;
    const auto methodIt = moduleIt->constFind(method);
    return methodIt == moduleIt->constEnd() ? nullptr : &*methodIt;
}
