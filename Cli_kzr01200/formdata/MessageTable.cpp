#include "MessageTable.h"

// Texts are shown exactly as they stand here, capitalisation and inner quotation marks included.
// The entries named after fields (DSPKDIME, DSITEMDIME, DSPKDIME2, EXTRA_ATRIB) are the captions
// that other messages put into their "%s".
QStringList dimensaoMessageLines()
{
    return {
        QStringLiteral("Excl|Confirma exclusão?"),
        QStringLiteral("COD_DEVE|Código de dimensão deve ser Informado"),
        QStringLiteral("NOME_DEVE|Nome de dimensão deve ser Informado"),
        QStringLiteral("COD_JCAD|Código já cadastrado."),
        QStringLiteral("NOME_JCAD|Nome já cadastrado."),
        QStringLiteral("confirmar|É necessário confirmar ou cancelar a transação de dados antes de fechar a janela."),
        QStringLiteral("CAMPO_TABELA|Campo \"%s\" só deve ser preenchido quando o campo \"Tabela Dimensão\" também for preenchido."),
        QStringLiteral("CAMPO_DEVE|Campo \"%s\" deve ser informado."),
        QStringLiteral("GetValida|Validando Dados no Servidor"),
        QStringLiteral("EstValida|Validando Estrutura de Dados no Servidor"),
        QStringLiteral("GetAtualiza|Recebendo Dados Do Servidor"),
        QStringLiteral("SetAtualiza|Atualizando Dados no Servidor"),
        QStringLiteral("CAMPO_IGUAL|O campo \"%s\" não deve ter o mesmo conteúdo do campo \"%s\""),
        QStringLiteral("DSPKDIME|Chave Primária"),
        QStringLiteral("DSPKDIME2|Auto Relacionamento"),
        QStringLiteral("DSITEMDIME|Atributo Principal"),
        QStringLiteral("FIELDS|Campos"),
        QStringLiteral("NO_TAB_PESQ|O campo \"Tabela Dimensão\" deve estar preenchido para que a pesquisa de campos seja realizada."),
        QStringLiteral("INV_TABELA|Tabela \"%S\" inválida."),
        QStringLiteral("INV_CAMPO|Campo \"%S\" inválido para a tabela \"%S\"."),
        QStringLiteral("NO_DIME|Campo \"%s\" é de tipo não permitido para constituir uma dimensão."),
        QStringLiteral("EXTRA_ATRIB|Atributo Extra"),
        QStringLiteral("NM_ATRIB_DEVE|Nome do atributo extra deve ser informado."),
        QStringLiteral("CD_ATRIB_DEVE|Atributo extra deve ser informado."),
        QStringLiteral("NM_ATRIB_JA|Nome de atributo extra já cadastrado."),
        QStringLiteral("CD_ATRIB_JA|Atributo extra já cadastrado."),
        QStringLiteral("ALT_TDIME_C_ATR|Não é permitido alterar o campo tabela dimensão, pois existem atributos extras cadastrados para essa tabela."),
    };
}
