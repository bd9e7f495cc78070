// The two scans the watch mode compares, each into an array of its own so
// that ScanLocations() (what the grids show) stays untouched: the live
// running system into WatchLocations(), and the snapshot (its hives under the
// "_REMOTE_" names, its copy folders) into SnapshotLocations().
#pragma once
#include <string>

// Re-scans the running system into WatchLocations(). False when another scan
// is running.
bool WatchRescan();
// Scans the loaded snapshot into SnapshotLocations(). False when another scan
// is running.
bool TakeSnapshot();

// The environment variables of the scanned installation, one "name=value"
// line each, then ProfilesDir, SystemDrive and SystemRoot (no final CR LF).
std::string GetRemoteEnvironment();
