#include "FileErrorText.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QJsonParseError>

namespace {

enum class Intent { Read, Write };

// An open that failed: what stands in the way.
QString openingProblem(const QFileInfo &file, Intent intent)
{
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    if (file.isDir()) return QStringLiteral("é uma pasta, não um arquivo");
    if (!QFileInfo(file.absolutePath()).isDir())
        return QStringLiteral("a pasta %1 não existe").arg(folder);
    if (intent == Intent::Read) {
        if (!file.exists()) return QStringLiteral("o arquivo não existe");
        if (!file.isReadable()) return QStringLiteral("sem permissão para ler o arquivo");
    } else {
        if (file.exists() && !file.isWritable())
            return QStringLiteral("sem permissão para gravar o arquivo");
        if (!QFileInfo(file.absolutePath()).isWritable())
            return QStringLiteral("sem permissão para gravar na pasta %1").arg(folder);
    }
    return QStringLiteral("o arquivo não pôde ser aberto");
}

QString problem(const QFileDevice &file, Intent intent)
{
    switch (file.error()) {
    case QFileDevice::NoError:
        return {};
    case QFileDevice::OpenError:
        return openingProblem(QFileInfo(file.fileName()), intent);
    case QFileDevice::PermissionsError:
        return intent == Intent::Read ? QStringLiteral("sem permissão para ler o arquivo")
                                      : QStringLiteral("sem permissão para gravar o arquivo");
    case QFileDevice::ReadError:
        return QStringLiteral("falha ao ler o arquivo");
    case QFileDevice::WriteError:
        return QStringLiteral("falha ao gravar o arquivo (o disco pode estar cheio)");
    case QFileDevice::ResourceError:
        return QStringLiteral("faltam recursos do sistema (disco cheio ou arquivos abertos demais)");
    case QFileDevice::RenameError:
        return QStringLiteral("o arquivo pronto não pôde tomar o lugar do antigo");
    case QFileDevice::TimeOutError:
        return QStringLiteral("tempo esgotado");
    default:
        return intent == Intent::Read ? QStringLiteral("falha ao ler o arquivo")
                                      : QStringLiteral("falha ao gravar o arquivo");
    }
}

} // namespace

QString FileErrorText::reading(const QFileDevice &file)
{
    return problem(file, Intent::Read);
}

QString FileErrorText::writing(const QFileDevice &file)
{
    return problem(file, Intent::Write);
}

QString FileErrorText::parsing(const QJsonParseError &error)
{
    switch (error.error) {
    case QJsonParseError::NoError:
        return {};
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("um objeto não termina (falta \"}\")");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("falta \":\" depois do nome de um campo");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("uma lista não termina (falta \"]\")");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("falta \",\" entre dois valores");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("valor inválido");
    case QJsonParseError::TerminationByNumber:
        return QStringLiteral("o arquivo acaba no meio de um número");
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("número inválido");
    case QJsonParseError::IllegalEscapeSequence:
        return QStringLiteral("sequência de escape inválida num texto");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("texto que não está em UTF-8");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("um texto não termina (faltam aspas)");
    case QJsonParseError::MissingObject:
        return QStringLiteral("o arquivo não é um objeto JSON");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("objetos e listas aninhados fundo demais");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("arquivo grande demais");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("há algo depois do fim do objeto JSON");
    }
    return QStringLiteral("JSON inválido");
}
