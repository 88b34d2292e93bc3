#pragma once

#include "HostServices.h"

class QWidget;
class TfrmPadraoGrid;

// The application object: owns the forms it creates.
class TApplication
{
public:
    static void SetHost(HostServices *host);
    static HostServices *Host();               // nullptr when none installed
    static QWidget *MainForm();

    // Creates a form of class F: constructs it from its stored definition, hands it to the
    // host, then runs its creation handler (FormCreate). A failure in the creation handler
    // destroys the half-made form and passes on.
    template <class F> static F *CreateForm()
    {
        F *form = new F();
        adopt(form);
        form->runCreate();
        return form;
    }

private:
    static void adopt(TfrmPadraoGrid *form);
};
