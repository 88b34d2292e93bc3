#pragma once

#include <functional>

// A save that fails tells the truth afterwards.
//
// - The server was not reached (no server, dropped connection, time limit): the failure passes
//   on unchanged and the change stays in the change log, so it goes with the next save.
// - The server refused the change on its merits (its failure reply: a rule, another user's
//   change, a constraint): sending it again can never succeed. The server's message is shown,
//   then takeBack runs (it takes the refused change out of the log and shows what the server
//   holds), and the operation ends silently, as after any refusal.
// Either way the host is told that the save failed (HostServices::saveFailed).
void SaveOrTakeBack(const std::function<void()> &save, const std::function<void()> &takeBack);
