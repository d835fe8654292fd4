// What a launch may hand to a running application, and how it is rebuilt on
// arrival: the sender is one of the user's own processes, but not one that
// is trusted to say what the receiver's pointers or files are.

#include <sys/stat.h>

#include <string>
#include <vector>

#include <AppDefs.h>
#include <Entry.h>
#include <Message.h>

#include "app/ApplicationPrivate.h"
#include "app/LaunchHandoff.h"
#include "app/MessagePrivate.h"
#include "storage/EntryRefPath.h"

namespace BPrivate {

namespace {

const char kMessageField[] = "message";
const char kDroppedField[] = "dropped";
const char kDropPointField[] = "drop point";
const char kDropOffsetField[] = "drop offset";

status_t accept_argv(const BMessage& received, const char* appPath, BMessage* message)
{
	int32 argc = 0;
	type_code type;
	int32 count = 0;
	const char* cwd = NULL;
	if (received.FindInt32("argc", &argc) != B_OK ||
	    received.GetInfo("argv", &type, &count) != B_OK || type != B_STRING_TYPE || argc != count ||
	    argc < 1 || received.FindString("cwd", &cwd) != B_OK)
		return B_BAD_VALUE;
	std::vector<std::string> arguments;
	arguments.push_back(appPath);
	for (int32 i = 1; i < argc; i++) {
		const char* argument = NULL;
		if (received.FindString("argv", i, &argument) != B_OK)
			return B_BAD_VALUE;
		arguments.push_back(argument);
	}
	return build_argv_message(arguments, cwd, message);
}

// The refs of field |name| again, from the paths they travelled with; the
// entries that are gone are left out.
status_t rebuild_refs(BMessage* message, const char* name, int32 count)
{
	std::vector<entry_ref> refs;
	for (int32 i = 0; i < count; i++) {
		entry_ref ref;
		std::string path;
		struct stat info;
		entry_ref rebuilt;
		if (message->FindRef(name, i, &ref) == B_OK && path_for_ref(ref, &path) == B_OK &&
		    !path.empty() && path[0] == '/' && lstat(path.c_str(), &info) == 0 &&
		    ref_for_path(path.c_str(), &rebuilt) == B_OK)
			refs.push_back(rebuilt);
	}
	std::string field(name);
	status_t status = message->RemoveName(field.c_str());
	for (const entry_ref& ref : refs) {
		if (status == B_OK)
			status = message->AddRef(field.c_str(), &ref);
	}
	return status;
}

status_t accept_handed(const BMessage& received, BMessage* message)
{
	BMessage handed;
	if (received.FindMessage(kMessageField, &handed) != B_OK || handed.what == B_ARGV_RECEIVED)
		return B_BAD_VALUE;

	// Names are copied first: the fields change under the walk.
	std::vector<std::pair<std::string, type_code>> fields;
	char* name;
	type_code type;
	int32 count;
	for (int32 i = 0; handed.GetInfo(B_ANY_TYPE, i, &name, &type, &count) == B_OK; i++) {
		if (type == B_REF_TYPE || type == B_POINTER_TYPE)
			fields.emplace_back(name, type);
	}
	for (const auto& field : fields) {
		status_t status;
		if (field.second == B_POINTER_TYPE) {
			status = handed.RemoveName(field.first.c_str());
		} else {
			handed.GetInfo(field.first.c_str(), &type, &count);
			status = rebuild_refs(&handed, field.first.c_str(), count);
		}
		if (status != B_OK)
			return status;
	}
	if (handed.what == B_REFS_RECEIVED && !handed.HasRef("refs"))
		return B_BAD_VALUE;

	bool dropped = false;
	if (received.FindBool(kDroppedField, &dropped) == B_OK && dropped) {
		BPoint point, offset;
		if (received.FindPoint(kDropPointField, &point) != B_OK ||
		    received.FindPoint(kDropOffsetField, &offset) != B_OK)
			return B_BAD_VALUE;
		MessageDelivery* delivery = BMessage::Private(handed).Delivery();
		if (delivery == NULL)
			return B_NO_MEMORY;
		delivery->wasDropped = true;
		delivery->dropPoint = point;
		delivery->dropOffset = offset;
	}
	*message = handed;
	return B_OK;
}

} // namespace

status_t accept_launch_message(const BMessage& received, const char* appPath, BMessage* message)
{
	if (appPath == NULL || message == NULL)
		return B_BAD_VALUE;
	if (received.what == B_ARGV_RECEIVED)
		return accept_argv(received, appPath, message);
	if (received.what == kHandedMessage)
		return accept_handed(received, message);
	return B_BAD_VALUE;
}

status_t wrap_launch_message(const BMessage& message, BMessage* wire)
{
	if (wire == NULL)
		return B_BAD_VALUE;
	if (message.what == B_ARGV_RECEIVED) {
		*wire = message;
		return B_OK;
	}
	BMessage envelope(kHandedMessage);
	status_t status = envelope.AddMessage(kMessageField, &message);
	if (status == B_OK && message.WasDropped()) {
		BPoint offset;
		BPoint point = message.DropPoint(&offset);
		status = envelope.AddBool(kDroppedField, true);
		if (status == B_OK)
			status = envelope.AddPoint(kDropPointField, point);
		if (status == B_OK)
			status = envelope.AddPoint(kDropOffsetField, offset);
	}
	if (status != B_OK)
		return status;
	*wire = envelope;
	return B_OK;
}

} // namespace BPrivate
