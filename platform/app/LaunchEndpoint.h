#ifndef PLATFORM_APP_LAUNCH_ENDPOINT_H
#define PLATFORM_APP_LAUNCH_ENDPOINT_H

// The running instance's side of an exclusive launch: it holds the lock of
// its address for as long as it lives, listens on the socket there, and
// passes each launch handed over to it on to the application.

#include <string>
#include <thread>

#include <Messenger.h>
#include <SupportDefs.h>

#include "app/LaunchAddress.h"

namespace BPrivate {

class LaunchEndpoint {
public:
	// B_OK: this process is now the running instance, and *endpoint listens
	// (a socket left by an instance that died is replaced). B_BUSY: another
	// process is. Other errors: the address cannot be used.
	static status_t Claim(const LaunchAddress& address, LaunchEndpoint** endpoint);

	// Stops listening and removes the socket and the lock file.
	~LaunchEndpoint();

	// Begins taking launches on a thread of its own; each one that passes
	// the checks reaches |target| as B_ARGV_RECEIVED with argv[0] |appPath|.
	status_t Start(const BMessenger& target, const char* appPath);

private:
	LaunchEndpoint(const LaunchAddress& address, int lock, int socket, int wake);
	LaunchEndpoint(const LaunchEndpoint&) = delete;
	LaunchEndpoint& operator=(const LaunchEndpoint&) = delete;

	void _Serve();
	void _Take(int connection);

	LaunchAddress fAddress;
	int fLock;   // flock'ed while this instance runs
	int fSocket; // listening
	int fWake;   // an eventfd that ends the thread
	std::thread fThread;
	BMessenger fTarget;
	std::string fAppPath;
};

} // namespace BPrivate

#endif
