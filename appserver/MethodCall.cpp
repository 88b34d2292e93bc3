#include "MethodCall.h"

#include "CallFault.h"

namespace {

QString kindName(ArgSpec::Kind kind)
{
    switch (kind) {
    case ArgSpec::Kind::Text:
        return QStringLiteral("um texto");
    case ArgSpec::Kind::ChangePacket:
        return QStringLiteral("um pacote de alterações");
    case ArgSpec::Kind::NameList:
        return QStringLiteral("uma lista de nomes");
    }
    return {};
}

void checkWidth(const QString &method, int position, const ArgSpec &spec, const QString &text)
{
    if (text.size() > spec.width)
        throw CallFault(QStringLiteral("%1: o argumento %2 (%3) tem %4 caracteres; o máximo é %5.")
                            .arg(method)
                            .arg(position)
                            .arg(spec.label)
                            .arg(text.size())
                            .arg(spec.width));
}

} // namespace

MethodCall::MethodCall(const QString &method, const QVector<ArgSpec> &specs,
                       const QList<Variant> &args)
    : m_args(args), m_packets(specs.size())
{
    if (args.size() != specs.size())
        throw CallFault(QStringLiteral("%1 espera %2 argumento(s), recebeu %3.")
                            .arg(method)
                            .arg(specs.size())
                            .arg(args.size()));
    for (int i = 0; i < specs.size(); ++i) {
        const ArgSpec &spec = specs[i];
        const Variant &arg = args[i];
        const int position = i + 1;
        const auto wrongKind = [&] {
            return CallFault(QStringLiteral("%1: o argumento %2 (%3) deve ser %4.")
                                 .arg(method)
                                 .arg(position)
                                 .arg(spec.label, kindName(spec.kind)));
        };
        switch (spec.kind) {
        case ArgSpec::Kind::Text:
            if (arg.kind() != Variant::Kind::Text) throw wrongKind();
            checkWidth(method, position, spec, arg.toString());
            break;
        case ArgSpec::Kind::ChangePacket:
            if (arg.kind() != Variant::Kind::Bytes) throw wrongKind();
            try {
                m_packets[i] = packet::fromVariant(arg);
            } catch (const Exception &e) {
                throw CallFault(QStringLiteral("%1: o argumento %2 (%3) não é um pacote válido: %4")
                                    .arg(method)
                                    .arg(position)
                                    .arg(spec.label, e.Message()));
            }
            if (!m_packets[i].isDelta) throw wrongKind();
            break;
        case ArgSpec::Kind::NameList:
            if (arg.kind() != Variant::Kind::Array) throw wrongKind();
            for (const Variant &item : arg.items()) {
                if (item.kind() != Variant::Kind::Text) throw wrongKind();
                checkWidth(method, position, spec, item.toString());
            }
            break;
        }
    }
}

QString MethodCall::text(int index) const
{
    return m_args.at(index).toString();
}

const packet::Packet &MethodCall::changes(int index) const
{
    return m_packets.at(index);
}

QStringList MethodCall::names(int index) const
{
    QStringList result;
    for (const Variant &item : m_args.at(index).items())
        result << item.toString();
    return result;
}

void MethodCall::writeBack(int index, const Variant &value)
{
    m_byRef.push_back({index, value});
}
