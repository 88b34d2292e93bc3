#pragma once

class TfrmDimensao;

// What the package exports, resolved by name by whoever loads it.
extern "C" {
// The one screen instance, and whether it has been created. Both are cleared when the
// screen is destroyed (closing destroys it), so that the next entry creates a new one.
extern TfrmDimensao *frmDimensao;
extern bool boDimensao;

// Creates the screen on the first call, then restores and shows it.
void CRIADIMENSAO();
void IniProc();
}
