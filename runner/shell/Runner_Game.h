// Connects the subsystems to the shell's sequence: their chunk loaders, their preparation
// steps and what starting the game does.
#pragma once

// Installs every subsystem's part of loading, preparing and starting a game (idempotent).
void InstallGameSubsystems();
