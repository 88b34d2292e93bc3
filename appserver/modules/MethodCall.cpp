#include "MethodCall.h"

#include "CallFault.h"
#include "TextRules.h"

#include <algorithm>

namespace {

QString kindName(Parameter::Kind kind)
{
    switch (kind) {
    case Parameter::Kind::Text:
        return QStringLiteral("um texto");
    case Parameter::Kind::ChangePacket:
        return QStringLiteral("um pacote de alterações");
    case Parameter::Kind::NameList:
        return QStringLiteral("uma lista de nomes");
    case Parameter::Kind::TextOrNull:
        return QStringLiteral("um texto ou nulo");
    case Parameter::Kind::Integer:
        return QStringLiteral("um número inteiro");
    }
    return {};
}

// A text the database could not store as it is, or that does not fit its column, is no call
// the server can make. PostgreSQL cannot hold U+0000 at all, and SQLite would cut the text at it.
void checkText(const QString &method, int position, const Parameter &parameter, const QString &text)
{
    if (text.contains(QChar(u'\0')))
        throw CallFault(QStringLiteral("%1: o argumento %2 (%3) contém o caractere NUL (U+0000), "
                                       "que não pode ser guardado.")
                            .arg(method)
                            .arg(position)
                            .arg(parameter.label));
    const qsizetype length = characterCount(text);
    if (length > parameter.width)
        throw CallFault(QStringLiteral("%1: o argumento %2 (%3) tem %4 caracteres; o máximo é %5.")
                            .arg(method)
                            .arg(position)
                            .arg(parameter.label)
                            .arg(length)
                            .arg(parameter.width));
}

bool holdsNul(const std::optional<packet::Row> &row)
{
    if (!row) return false;
    return std::any_of(row->cbegin(), row->cend(), [](const std::optional<QString> &value) {
        return value && value->contains(QChar(u'\0'));
    });
}

} // namespace

MethodCall::MethodCall(const QString &method, const QVector<Parameter> &parameters,
                       const QList<Variant> &args)
    : m_args(args), m_packets(parameters.size())
{
    if (args.size() != parameters.size())
        throw CallFault(QStringLiteral("%1 espera %2 argumento(s), recebeu %3.")
                            .arg(method)
                            .arg(parameters.size())
                            .arg(args.size()));
    for (int i = 0; i < parameters.size(); ++i) {
        const Parameter &parameter = parameters[i];
        const Variant &arg = args[i];
        const int position = i + 1;
        const auto wrongKind = [&] {
            return CallFault(QStringLiteral("%1: o argumento %2 (%3) deve ser %4.")
                                 .arg(method)
                                 .arg(position)
                                 .arg(parameter.label, kindName(parameter.kind)));
        };
        switch (parameter.kind) {
        case Parameter::Kind::Text:
            if (arg.kind() != Variant::Kind::Text) throw wrongKind();
            checkText(method, position, parameter, arg.toString());
            break;
        case Parameter::Kind::TextOrNull:
            if (arg.isNull()) break;
            if (arg.kind() != Variant::Kind::Text) throw wrongKind();
            checkText(method, position, parameter, arg.toString());
            break;
        case Parameter::Kind::Integer:
            if (arg.kind() != Variant::Kind::Integer) throw wrongKind();
            if (arg.toInteger() < parameter.lowest || arg.toInteger() > parameter.highest)
                throw CallFault(QStringLiteral("%1: o argumento %2 (%3) vale %4; deve estar entre "
                                               "%5 e %6.")
                                    .arg(method)
                                    .arg(position)
                                    .arg(parameter.label)
                                    .arg(arg.toInteger())
                                    .arg(parameter.lowest)
                                    .arg(parameter.highest));
            break;
        case Parameter::Kind::ChangePacket:
            if (arg.kind() != Variant::Kind::Bytes) throw wrongKind();
            try {
                m_packets[i] = packet::fromVariant(arg);
            } catch (const Exception &e) {
                throw CallFault(QStringLiteral("%1: o argumento %2 (%3) não é um pacote válido: %4")
                                    .arg(method)
                                    .arg(position)
                                    .arg(parameter.label, e.Message()));
            }
            if (!m_packets[i].isDelta) throw wrongKind();
            for (const packet::Change &change : std::as_const(m_packets[i].changes))
                if (holdsNul(change.oldRow) || holdsNul(change.newRow))
                    throw CallFault(QStringLiteral("%1: o argumento %2 (%3) traz um valor com o "
                                                   "caractere NUL (U+0000), que não pode ser "
                                                   "guardado.")
                                        .arg(method)
                                        .arg(position)
                                        .arg(parameter.label));
            break;
        case Parameter::Kind::NameList:
            if (arg.kind() != Variant::Kind::Array) throw wrongKind();
            for (const Variant &item : arg.items()) {
                if (item.kind() != Variant::Kind::Text) throw wrongKind();
                checkText(method, position, parameter, item.toString());
            }
            break;
        }
    }
}

QString MethodCall::text(int index) const
{
    return m_args.at(index).toString();
}

std::optional<QString> MethodCall::textOrNull(int index) const
{
    const Variant &arg = m_args.at(index);
    if (arg.isNull()) return std::nullopt;
    return arg.toString();
}

qint64 MethodCall::integer(int index) const
{
    return m_args.at(index).toInteger();
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
