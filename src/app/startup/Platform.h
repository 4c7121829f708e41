#pragma once
// The start-up of both front ends: registers the platform's WMI backends (the local
// computer's stand-in, the WS-Management bridge and its WinRM client) with the class
// registry, each when it is part of the build.

namespace tarnwick::app {

void RegisterPlatformBackends();

} // namespace tarnwick::app
