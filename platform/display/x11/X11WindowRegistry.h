#ifndef _X11_WINDOW_REGISTRY_H
#define _X11_WINDOW_REGISTRY_H

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <xcb/xcb.h>

namespace BPrivate {

class X11Window;

// Our windows by X id, for the event thread to find the target of an event.
// Shared pointers, so that a window destroyed by its owner while the event
// thread delivers to it goes away only after the delivery. Any thread.
class X11WindowRegistry {
public:
	void Add(const std::shared_ptr<X11Window>& window);
	std::shared_ptr<X11Window> Remove(const X11Window* window);
	std::shared_ptr<X11Window> Find(xcb_window_t id) const;
	std::vector<std::shared_ptr<X11Window>> All() const;

private:
	mutable std::mutex fLock;                                              // leaf
	std::unordered_map<xcb_window_t, std::shared_ptr<X11Window>> fWindows; // guarded by fLock
};

} // namespace BPrivate

#endif
