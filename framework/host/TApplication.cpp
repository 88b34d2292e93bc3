#include "TApplication.h"

namespace {
HostServices *&host()
{
    static HostServices *instance = nullptr;
    return instance;
}
} // namespace

void TApplication::SetHost(HostServices *services)
{
    host() = services;
}

HostServices *TApplication::Host()
{
    return host();
}

QWidget *TApplication::MainForm()
{
    if (HostServices *services = host())
        return services->mainForm();
    return nullptr;
}

void TApplication::adopt(TfrmPadraoGrid *form)
{
    if (HostServices *services = host())
        services->adoptForm(form);
}
