#include "Pkg_kzr01200.h"

#include "HourGlassCursor.h"
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
        frmDimensao = TApplication::CreateForm<TfrmDimensao>();
        QObject::connect(frmDimensao, &QObject::destroyed, [] {
            frmDimensao = nullptr;
            boDimensao = false;
        });
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
