#pragma once

// Fired alarms whose log lines did not reach a log (a document never saved has none; a log can
// be read-only or its disk full). They are gathered through a command's checks and told to the
// user once the command is over.

#include <functional>
#include <string>
#include <utility>
#include <vector>

class TCorv;

// The log each line was meant for (empty for a document never saved) and the line, in firing
// order.
using UnloggedAlarms = std::vector<std::pair<std::string, std::string>>;

// Runs check, a call that checks alarms of doc (TCorv::CheckAlarmes, or an operation that runs
// it), and moves into kept the lines that the log did not take, also when check throws. True
// when check answered that an alarm fired and its lines reached the log, so that the log viewer
// will show it: the caller then sets the pending-alarm flag. One append takes all the lines of a
// check or none of them.
bool CheckKeepingUnlogged(TCorv& doc, const std::function<bool()>& check, UnloggedAlarms& kept);
