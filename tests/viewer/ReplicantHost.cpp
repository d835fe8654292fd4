#include "viewer/ReplicantHost.h"

#include <Archivable.h>
#include <Message.h>
#include <View.h>
#include <Window.h>

#include "platform/interface/InterfaceTestSupport.h"

ReplicantHost::ReplicantHost(BRect frame)
    : fWindow(new BWindow(frame, "replicant host", B_TITLED_WINDOW, 0)),
      fContainer(new BView(fWindow->Bounds(), "container", B_FOLLOW_ALL_SIDES, B_WILL_DRAW))
{
	fContainer->SetViewColor(0, 0, 0);
	fWindow->AddChild(fContainer);
	fWindow->Show();
	sync_window(fWindow);
}

ReplicantHost::~ReplicantHost()
{
	if (fWindow->Lock())
		fWindow->Quit();
}

BView* ReplicantHost::Add(BMessage* archive, BPoint where)
{
	BArchivable* object = instantiate_object(archive);
	BView* view = dynamic_cast<BView*>(object);
	if (view == NULL) {
		delete object;
		return NULL;
	}
	if (!Attach(view, where)) {
		delete view;
		return NULL;
	}
	return view;
}

bool ReplicantHost::Attach(BView* view, BPoint where)
{
	if (!fWindow->Lock())
		return false;
	view->MoveTo(where);
	fContainer->AddChild(view);
	fWindow->Unlock();
	return Settle();
}

bool ReplicantHost::Remove(BView* view)
{
	if (!fWindow->Lock())
		return false;
	bool removed = fContainer->RemoveChild(view);
	fWindow->Unlock();
	return removed && Settle();
}

bool ReplicantHost::Settle()
{
	return sync_window(fWindow) && sync_window(fWindow);
}
