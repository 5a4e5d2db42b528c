#pragma once

// The desktop session's message bus.
namespace SessionBus {

// Without a session bus, the D-Bus library would start one of its own for the
// toolkit (dbus-launch), and it would outlive the program. Marks the bus as
// absent for this process instead; programs it starts get the environment it
// was given. Call before the application object is made.
void preventAutoLaunch();

// True when the bus was marked absent by preventAutoLaunch().
bool autoLaunchPrevented();

} // namespace SessionBus
