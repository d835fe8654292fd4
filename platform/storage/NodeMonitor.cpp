#include <NodeMonitor.h>

#include "storage/NodeMonitorService.h"

status_t watch_node(const node_ref* node, uint32 flags, BMessenger target)
{
	if (!target.IsValid())
		return B_BAD_VALUE;
	if ((flags & ~uint32(B_WATCH_ALL | B_WATCH_MOUNT)) != 0)
		return B_BAD_VALUE;
	if ((flags & B_WATCH_MOUNT) != 0)
		return B_UNSUPPORTED;
	if (node == NULL)
		return B_BAD_VALUE;
	BPrivate::NodeMonitorService& service = BPrivate::NodeMonitorService::Default();
	if (flags == B_STOP_WATCHING)
		return service.StopWatching(*node, target);
	return service.Watch(*node, flags, target);
}

status_t watch_node(const node_ref* node, uint32 flags, const BHandler* handler,
                    const BLooper* looper)
{
	status_t status = B_OK;
	BMessenger target(handler, looper, &status);
	if (status != B_OK)
		return status;
	return watch_node(node, flags, target);
}

status_t stop_watching(BMessenger target)
{
	if (!target.IsValid())
		return B_BAD_VALUE;
	return BPrivate::NodeMonitorService::Default().StopWatching(target);
}

status_t stop_watching(const BHandler* handler, const BLooper* looper)
{
	status_t status = B_OK;
	BMessenger target(handler, looper, &status);
	if (status != B_OK)
		return status;
	return stop_watching(target);
}
