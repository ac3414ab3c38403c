// commands.h: the commands of kvistra-ant and what they share.
//
// Each command lives in its own file and is listed once in the command table
// of main.cpp. A command gets its arguments (without the command name), in
// the number the table allows, and returns the process exit status.
#pragma once

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int listCommand(const Arguments& args);
int extractCommand(const Arguments& args);
int packCommand(const Arguments& args);
int pictureCommand(const Arguments& args);
int modelCommand(const Arguments& args);

// Prints "kvistra-ant: <message>" as one line on standard error and returns
// the failure status 1.
int fail(const std::string& message);

// A name as it can be shown on one line: bytes outside printable ASCII
// become \xNN.
std::string printableName(const std::string& name);
