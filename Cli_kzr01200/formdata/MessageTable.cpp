#include "MessageTable.h"

#include "RuleMessages.h"

// Texts are shown exactly as they stand here, capitalisation and inner quotation marks included.
// The entries of the dimension's rules (their refusals and the captions, named after fields,
// that those put into their "%s") come from the rules library, which the server's refusals
// read too.
QStringList dimensaoMessageLines()
{
    return QStringList{
               QStringLiteral("Excl|Confirma exclusão?"),
               QStringLiteral("confirmar|É necessário confirmar ou cancelar a transação de dados antes de fechar a janela."),
               QStringLiteral("GetValida|Validando Dados no Servidor"),
               QStringLiteral("EstValida|Validando Estrutura de Dados no Servidor"),
               QStringLiteral("GetAtualiza|Recebendo Dados Do Servidor"),
               QStringLiteral("SetAtualiza|Atualizando Dados no Servidor"),
               QStringLiteral("FIELDS|Campos"),
               QStringLiteral("NO_TAB_PESQ|O campo \"Tabela Dimensão\" deve estar preenchido para que a pesquisa de campos seja realizada."),
           }
        + rule_messages::screenLines();
}
