#include "RuleMessages.h"

#include <QHash>

namespace {

// In the order the screen's message table lists them.
const QStringList &screen()
{
    static const QStringList lines{
        QStringLiteral("COD_DEVE|Código de dimensão deve ser Informado"),
        QStringLiteral("NOME_DEVE|Nome de dimensão deve ser Informado"),
        QStringLiteral("COD_JCAD|Código já cadastrado."),
        QStringLiteral("NOME_JCAD|Nome já cadastrado."),
        QStringLiteral("CAMPO_TABELA|Campo \"%s\" só deve ser preenchido quando o campo \"Tabela "
                       "Dimensão\" também for preenchido."),
        QStringLiteral("CAMPO_DEVE|Campo \"%s\" deve ser informado."),
        QStringLiteral("CAMPO_IGUAL|O campo \"%s\" não deve ter o mesmo conteúdo do campo \"%s\""),
        QStringLiteral("DSPKDIME|Chave Primária"),
        QStringLiteral("DSPKDIME2|Auto Relacionamento"),
        QStringLiteral("DSITEMDIME|Atributo Principal"),
        QStringLiteral("INV_TABELA|Tabela \"%S\" inválida."),
        QStringLiteral("INV_CAMPO|Campo \"%S\" inválido para a tabela \"%S\"."),
        QStringLiteral("NO_DIME|Campo \"%s\" é de tipo não permitido para constituir uma dimensão."),
        QStringLiteral("EXTRA_ATRIB|Atributo Extra"),
        QStringLiteral("NM_ATRIB_DEVE|Nome do atributo extra deve ser informado."),
        QStringLiteral("CD_ATRIB_DEVE|Atributo extra deve ser informado."),
        QStringLiteral("NM_ATRIB_JA|Nome de atributo extra já cadastrado."),
        QStringLiteral("CD_ATRIB_JA|Atributo extra já cadastrado."),
        QStringLiteral("ALT_TDIME_C_ATR|Não é permitido alterar o campo tabela dimensão, pois "
                       "existem atributos extras cadastrados para essa tabela."),
    };
    return lines;
}

// What the screen cannot send (its mask takes digits only, its check mark gives S or N) but
// another client can.
const QStringList &serverOnly()
{
    static const QStringList lines{
        QStringLiteral("COD_FORMA|Código de dimensão \"%s\" inválido: informe até cinco dígitos."),
        QStringLiteral("MARCA_SN|O indicador IDDIMENSAODW deve ser \"S\" ou \"N\", não \"%s\"."),
        QStringLiteral("DIME_NAO_EXISTE|A dimensão %s não existe (pode ter sido excluída por "
                       "outro usuário)."),
        QStringLiteral("COD_COM_ATRIB|O código de uma dimensão que possui atributos extras não "
                       "pode ser alterado."),
    };
    return lines;
}

} // namespace

QStringList rule_messages::screenLines()
{
    return screen();
}

QString rule_messages::text(const QString &key)
{
    static const QHash<QString, QString> byKey = [] {
        QHash<QString, QString> texts;
        for (const QString &line : screen() + serverOnly())
            texts.insert(line.section(QLatin1Char('|'), 0, 0),
                         line.section(QLatin1Char('|'), 1));
        return texts;
    }();
    return byKey.value(key);
}
