#include "Services.h"

#include "TDBGrid.h"

#include "Interaction.h"
#include "ServerFailure.h"
#include "TApplication.h"
#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TNetConnection.h"
#include "WireProtocol.h"

void MensErro(const QString &text, bool abort)
{
    Interaction::current().messageDialog(text, TMsgDlgType::mtError, mbOK);
    if (abort)
        throw EAbort();
}

Variant CheckResultServ(const Variant &reply)
{
    if (server_failure::isSessionEnded(reply)) throw ESessionEnded(server_failure::message(reply));
    if (server_failure::is(reply))
        throw EServerFailure(server_failure::message(reply));
    return reply;
}

// --- host services --------------------------------------------------------------------------

QString WebURL()
{
    HostServices *host = TApplication::Host();
    return host ? host->webUrl() : QStringLiteral("127.0.0.1");
}

int WebPort()
{
    HostServices *host = TApplication::Host();
    return host ? host->webPort() : int(wire::DefaultPort);
}

ServerAccess WebAccess()
{
    HostServices *host = TApplication::Host();
    return host ? host->serverAccess() : ServerAccess{};
}

bool MayWrite()
{
    return !WebAccess().readOnly;
}

QString ReadOnlyHint()
{
    return QStringLiteral("Usuário somente leitura: não pode incluir, alterar nem excluir.");
}

namespace {
// Connections reach the host's session through the framework, as they reach its address.
[[maybe_unused]] const bool connectionsUseHostSession = [] {
    TNetConnection::SetAccessSource(&WebAccess);
    TNetConnection::SetSessionEndedHandler([](const QString &message) {
        if (HostServices *host = TApplication::Host()) host->sessionEnded(message);
    });
    return true;
}();
} // namespace

void AtualizaLocalCache(const Variant &tableNames)
{
    QStringList tables;
    if (tableNames.kind() == Variant::Kind::Array) {
        for (const Variant &name : tableNames.items())
            tables << name.toString();
    } else if (!tableNames.isEmpty() && !tableNames.isNull()) {
        tables << tableNames.toString();
    }
    if (HostServices *host = TApplication::Host())
        host->atualizaLocalCache(tables);
}

bool Pesquisar(TDataSource *source, const QString &title)
{
    if (!source || !source->DataSet() || !source->DataSet()->Active())
        return false;
    return Interaction::current().pickList(source, title);
}

void Procura(TClientDataSet *dataSet)
{
    if (!dataSet || !dataSet->Active())
        return;
    Interaction::current().find(dataSet, FindFields::of(dataSet));
}

void Procura(TClientDataSet *dataSet, TDBGrid *grid)
{
    if (!grid) {
        Procura(dataSet);
        return;
    }
    if (!dataSet || !dataSet->Active())
        return;
    // What the user sees: the grid's columns in their order, by caption; a picture column has
    // no text to look for.
    FindFields offered;
    for (int i = 0; i < grid->ColumnCount(); ++i) {
        TColumn *column = grid->Columns(i);
        TField *field = column->Field();
        if (!field || !field->Visible() || column->Title.SymbolCharset)
            continue;
        const QString caption = column->Title.Caption.isEmpty() ? field->DisplayLabel() : column->Title.Caption;
        offered.fields.emplace_back(field->FieldName(), caption);
    }
    if (offered.fields.empty())
        return;
    offered.initial = offered.fields.front().first;
    if (TField *current = grid->SelectedField()) {
        for (const auto &[name, caption] : offered.fields) {
            if (name == current->FieldName())
                offered.initial = name;
        }
    }
    if (Interaction::current().find(dataSet, offered) && grid->isVisible())
        grid->setFocus(Qt::OtherFocusReason);
}
