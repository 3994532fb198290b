#pragma once

// The active on-board profile, as last read from or written to the keyboard's
// configuration block (byte 10). -1 means unknown.

namespace profiles {

inline constexpr int kUnknownProfile = -1;

// The cache alone, without asking the keyboard.
int CachedCurrentProfile();
// A keyboard that leaves makes the profile unknown.
void ForgetCurrentProfile();

// The cached value; when unknown, read from the keyboard (on failure, or when the keyboard
// names no profile 0..2, -1, and the cache stays unknown).
int GetCurrentProfile();
// A negative n does nothing. Otherwise reads the configuration block (on failure nothing
// changes), sets byte 10 to n and writes it back; the cache becomes n on success, unknown
// on failure.
void SetCurrentProfile(int n);

} // namespace profiles
