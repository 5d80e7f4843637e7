#pragma once

namespace mosavelle::app {

class MosavelleApp;
struct LaunchRequest;

// Hooks for the launch benchmark and the screenshot script, built only into `mosavelle-probed`
// (the program with these hooks, never installed) and driven by environment variables:
//   MOSAVELLE_LAUNCH_PROBE=1   when the first deck window has painted, print its time
//                              (CLOCK_REALTIME, ns) and the resident memory, then exit;
//   MOSAVELLE_SCREENSHOT=NAME  once the window is up and any --import is done, show NAME
//                              (main, help, welcome, about, fullscreen, export, deck-settings,
//                              grid with a two-up slide, apply-placement), save the screen around
//                              the window to MOSAVELLE_SCREENSHOT_FILE, then exit.
// Returns whether a probe was installed.
// Install before MosavelleApp::launch.
bool installLaunchProbes(MosavelleApp& app, const LaunchRequest& request);

}  // namespace mosavelle::app
