#include "TApplication.h"

#include "EventBoundary.h"
#include "TfrmPadraoGrid.h"

#include <QApplication>
#include <QMdiSubWindow>

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

void TApplication::runCreate(TfrmPadraoGrid *form)
{
    try {
        form->runCreate();
    } catch (...) {
        // The half-made form goes, with the window the host wrapped it in.
        QWidget *frame = form->frame();
        EventBoundary::run([form] { form->runDestroy(); });
        delete frame;
        throw;
    }
}
