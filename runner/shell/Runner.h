// Program entry of the runner and the process-wide services every subsystem may call:
// the trace log, the private temporary directory, the message pump, message boxes and
// starting other programs.
#pragma once

#include <string>
#include <string_view>

int RunnerMain(int argc, char** argv);

// Trace log ("Trace.log" next to the executable).
void WriteTrace(std::string_view text);
void WriteTraceAlways(std::string_view text);

// Private temporary directory, without a trailing separator.
const std::string& GetTempDirectory();
std::string MakeTempFileName(std::string_view extension);

// Dispatches every waiting window-system event; never blocks.
void PumpMessages();

bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory);
bool RunProcess(const std::string& program, const std::string& parameters, const std::string& directory,
                bool wait);

// The application title captions every message box; loading sets it from the game file's name.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// A plain modal message box with an OK button, captioned with the application title.
void ShowMessage(std::string_view text);
