#pragma once

#include "AdminServer.h"
#include "TApplication.h"

#include <QWidget>
#include <memory>

// What the host gives the screen, for a screen run by kzr-admin: the server the tool was told
// to use, and a main window nobody sees. Cache notices have no local copies to refresh here.
class AdminHost : public HostServices
{
public:
    explicit AdminHost(const AdminServer &server) : m_server(server) {}

    QString webUrl() const override { return m_server.host; }
    int webPort() const override { return m_server.port; }
    void atualizaLocalCache(const QStringList &) override {}
    QWidget *mainForm() const override { return m_main.get(); }
    void adoptForm(TfrmPadraoGrid *) override {}
    ServerAccess serverAccess() const override { return m_server.access(); }

private:
    AdminServer m_server;
    std::unique_ptr<QWidget> m_main = std::make_unique<QWidget>();
};
