#pragma once

#include <string>
#include <string_view>

namespace vortane {

// Controller numbers are matched as texts. A slot's match key is built from the assignment text the
// user chose ("0" + text + " " + text: "07" gives "007 07"); an incoming controller number n gives a
// message key (three digits, a space, n without leading zeros: 7 gives "007 7"). The two are
// compared so that a two-digit text such as "07" answers controller 7 while a one-digit "7" never
// answers anything, and controllers 100..127 are never answered.

// n (0..127) in decimal without leading zeros; "" for any other n.
std::string_view NumberText(int n);

// The message key of controller number n; "" when n is outside 0..127.
std::string MessageKey(int n);

// The match key of an assignment text.
std::string MatchKey(std::string_view assignment);

// Whether a message key selects a slot with the given match key. A five-character message key
// (controllers 0..9) is compared with the first four characters and the last one of the match key;
// any other key with the whole match key.
bool KeysMatch(std::string_view message_key, std::string_view match_key);

// The controller number (0..127) whose message key matches the match key of this assignment text,
// or -1 when none does. A match key can answer at most one controller number.
int AnsweredController(std::string_view assignment);

} // namespace vortane
