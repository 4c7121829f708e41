#pragma once
// The start-up and the end of both front ends.

namespace tarnwick::app {

// Registers the platform's WMI backends with the class registry: the local
// computer's stand-in, the WS-Management bridge and its WinRM client.
void RegisterPlatformBackends();

// For the length of main: registers the backends and runs the registry wrapper's
// start-up probe; at the end releases the wrapper's file and uninitialises COM for
// the thread that was prepared.
class TProgramLifetime {
public:
    TProgramLifetime();
    ~TProgramLifetime();
    TProgramLifetime(const TProgramLifetime&) = delete;
    TProgramLifetime& operator=(const TProgramLifetime&) = delete;
};

} // namespace tarnwick::app
