#pragma once

#include <functional>

// A save that fails tells the truth afterwards.
//
// - The server was not reached (no server, dropped connection, time limit) or answered that the
//   session is over (ESessionEnded): neither says anything about the change. The failure passes
//   on unchanged and the change stays in the change log, so it goes with the next save (after
//   the new login, for an ended session).
// - The server refused the change on its merits (its failure reply: a rule, another user's
//   change, a constraint): sending it again can never succeed. The server's message is shown,
//   then takeBack runs (it takes the refused change out of the log and shows what the server
//   holds), and the operation ends silently, as after any refusal.
// Either way the host is told that the save failed (HostServices::saveFailed).
void SaveOrTakeBack(const std::function<void()> &save, const std::function<void()> &takeBack);

// The same judgement without the taking back: true when the save went through, false when the
// server refused it on its merits (its message shown when showRefusal is true). Every other
// failure passes on.
bool SaveUnlessRefused(const std::function<void()> &save, bool showRefusal = true);
