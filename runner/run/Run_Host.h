// The interpreter's view of the runtime: instances of the current room, their variables and
// built-in variables, and temporary instances, implemented on CInstance and CRoom.
#pragma once

// Installs the runtime as the interpreter's host and attaches the instance and game-wide
// built-in variables, and hands the language the run-time error reporter.
void InstallRuntimeHost();
