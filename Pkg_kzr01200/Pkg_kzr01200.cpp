#include "Pkg_kzr01200.h"

#include "BusyIndicator.h"
#include "TApplication.h"
#include "TfrmDimensao.h"

#define KZR_EXPORT __attribute__((visibility("default")))

extern "C" {

KZR_EXPORT TfrmDimensao *frmDimensao = nullptr;
KZR_EXPORT bool boDimensao = false; // the package's initialisation

KZR_EXPORT void CRIADIMENSAO()
{
    HourGlassCursor cursor;
    if (!boDimensao) {
        // A failure in the creation passes on to the host and leaves boDimensao false, so the
        // next call tries again.
        TfrmDimensao *form = TApplication::CreateForm<TfrmDimensao>();
        // A screen being destroyed is no longer the instance, even before it is deleted: the
        // next call creates a new one. Only this screen's own end clears the variables.
        const auto forget = [form] {
            if (frmDimensao == form) {
                frmDimensao = nullptr;
                boDimensao = false;
            }
        };
        QObject::connect(form, &TfrmPadraoGrid::destroying, forget);
        QObject::connect(form, &QObject::destroyed, forget);
        frmDimensao = form;
        boDimensao = true;
    }
    frmDimensao->SetWindowState(TWindowState::wsNormal);
    frmDimensao->Show();
}

KZR_EXPORT void IniProc()
{
    CRIADIMENSAO();
}

} // extern "C"
