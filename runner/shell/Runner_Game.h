// Connects the subsystems to the shell's sequence: their chunk loaders, their preparation
// steps and what starting the game does.
#pragma once

// Installs every subsystem's part of loading, preparing and starting a game (idempotent).
void InstallGameSubsystems();

// Starting the game: the global variables are reset, the random generator seeded, the library
// initialisation code run. False when the game cannot start (a fatal error was shown).
bool StartGame();
