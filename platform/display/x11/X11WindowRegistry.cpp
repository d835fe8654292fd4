#include "display/x11/X11WindowRegistry.h"

#include "display/x11/X11Window.h"

namespace BPrivate {

void X11WindowRegistry::Add(const std::shared_ptr<X11Window>& window)
{
	std::lock_guard<std::mutex> guard(fLock);
	fWindows[window->Id()] = window;
}

std::shared_ptr<X11Window> X11WindowRegistry::Remove(const X11Window* window)
{
	std::lock_guard<std::mutex> guard(fLock);
	auto found = fWindows.find(window->Id());
	if (found == fWindows.end() || found->second.get() != window)
		return nullptr;
	std::shared_ptr<X11Window> removed = std::move(found->second);
	fWindows.erase(found);
	return removed;
}

std::shared_ptr<X11Window> X11WindowRegistry::Find(xcb_window_t id) const
{
	std::lock_guard<std::mutex> guard(fLock);
	auto found = fWindows.find(id);
	return found != fWindows.end() ? found->second : nullptr;
}

std::vector<std::shared_ptr<X11Window>> X11WindowRegistry::All() const
{
	std::lock_guard<std::mutex> guard(fLock);
	std::vector<std::shared_ptr<X11Window>> all;
	all.reserve(fWindows.size());
	for (const auto& entry : fWindows)
		all.push_back(entry.second);
	return all;
}

} // namespace BPrivate
