#ifndef PLATFORM_INTERFACE_DRAGGERS_DRAWN_FILE_H
#define PLATFORM_INTERFACE_DRAGGERS_DRAWN_FILE_H

// Where the user's "show replicants" switch outlives the display session:
// $XDG_CONFIG_HOME/pl-platform/show-replicants (else ~/.config/...), one
// line, "shown" or "hidden". The display keeps the switch while it runs; the
// file is what a new session starts from.

namespace BPrivate {

// False without a readable file that says one or the other.
bool read_saved_draggers_drawn(bool* drawn);
// Written atomically; its folders are made owner-only when missing.
void save_draggers_drawn(bool drawn);

} // namespace BPrivate

#endif
