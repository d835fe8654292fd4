// gdk-pixbuf is opened by the first picture that only its loaders can read
// rather than linked: with GLib, GObject, GIO and what they pull in (libffi,
// PCRE2, libmount, libselinux, libblkid) it is a dozen libraries whose
// loading, relocation and constructors cost every program on libplatform.so
// about 1.5 ms of start-up, which a JPEG or PNG picture must not pay. The
// translator calls gdk-pixbuf and GLib by their own names; the definitions
// below stand in for them inside libplatform.so (hidden, so that no other
// module binds to them) and forward to the real functions.
//
// Without the libraries every call fails the way they report failure: a NULL
// object, FALSE, or nothing done.

#include "support/LibrarySet.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace {

enum Library { kGLib, kGObject, kPixbuf, kLibraryCount };

// The sonames of the 2.0 series the headers describe, which has kept its
// major version since its first release.
const char* const kLibraryNames[kLibraryCount] = {
    "libglib-2.0.so.0",
    "libgobject-2.0.so.0",
    "libgdk_pixbuf-2.0.so.0",
};

// Constant-initialised, so that it is ready before any static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_PIXBUF_REAL(library, name) PL_LIBRARY_REAL(sLibraries, library, name)

extern "C" {
#pragma GCC visibility push(hidden)

// GLib

void g_free(gpointer memory)
{
	PL_PIXBUF_REAL(kGLib, g_free);
	if (real != nullptr)
		real(memory);
}

int g_strcmp0(const char* first, const char* second)
{
	PL_PIXBUF_REAL(kGLib, g_strcmp0);
	return real != nullptr ? real(first, second) : -1;
}

guchar* g_base64_decode(const gchar* text, gsize* length)
{
	PL_PIXBUF_REAL(kGLib, g_base64_decode);
	if (real != nullptr)
		return real(text, length);
	*length = 0;
	return nullptr;
}

// GObject

void g_object_unref(gpointer object)
{
	PL_PIXBUF_REAL(kGObject, g_object_unref);
	if (real != nullptr)
		real(object);
}

gulong g_signal_connect_data(gpointer instance, const gchar* signal, GCallback handler,
                             gpointer data, GClosureNotify destroyData, GConnectFlags flags)
{
	PL_PIXBUF_REAL(kGObject, g_signal_connect_data);
	return real != nullptr ? real(instance, signal, handler, data, destroyData, flags) : 0;
}

// gdk-pixbuf

GdkPixbufLoader* gdk_pixbuf_loader_new()
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_loader_new);
	return real != nullptr ? real() : nullptr;
}

gboolean gdk_pixbuf_loader_write(GdkPixbufLoader* loader, const guchar* data, gsize length,
                                 GError** error)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_loader_write);
	return real != nullptr ? real(loader, data, length, error) : FALSE;
}

gboolean gdk_pixbuf_loader_close(GdkPixbufLoader* loader, GError** error)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_loader_close);
	return real != nullptr ? real(loader, error) : FALSE;
}

void gdk_pixbuf_loader_set_size(GdkPixbufLoader* loader, int width, int height)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_loader_set_size);
	if (real != nullptr)
		real(loader, width, height);
}

GdkPixbufFormat* gdk_pixbuf_loader_get_format(GdkPixbufLoader* loader)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_loader_get_format);
	return real != nullptr ? real(loader) : nullptr;
}

GdkPixbuf* gdk_pixbuf_loader_get_pixbuf(GdkPixbufLoader* loader)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_loader_get_pixbuf);
	return real != nullptr ? real(loader) : nullptr;
}

gchar* gdk_pixbuf_format_get_name(GdkPixbufFormat* format)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_format_get_name);
	return real != nullptr ? real(format) : nullptr;
}

gboolean gdk_pixbuf_format_is_scalable(GdkPixbufFormat* format)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_format_is_scalable);
	return real != nullptr ? real(format) : FALSE;
}

GdkColorspace gdk_pixbuf_get_colorspace(const GdkPixbuf* pixbuf)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_get_colorspace);
	return real != nullptr ? real(pixbuf) : GDK_COLORSPACE_RGB;
}

int gdk_pixbuf_get_bits_per_sample(const GdkPixbuf* pixbuf)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_get_bits_per_sample);
	return real != nullptr ? real(pixbuf) : 0;
}

int gdk_pixbuf_get_n_channels(const GdkPixbuf* pixbuf)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_get_n_channels);
	return real != nullptr ? real(pixbuf) : 0;
}

gboolean gdk_pixbuf_get_has_alpha(const GdkPixbuf* pixbuf)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_get_has_alpha);
	return real != nullptr ? real(pixbuf) : FALSE;
}

int gdk_pixbuf_get_width(const GdkPixbuf* pixbuf)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_get_width);
	return real != nullptr ? real(pixbuf) : 0;
}

int gdk_pixbuf_get_height(const GdkPixbuf* pixbuf)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_get_height);
	return real != nullptr ? real(pixbuf) : 0;
}

int gdk_pixbuf_get_rowstride(const GdkPixbuf* pixbuf)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_get_rowstride);
	return real != nullptr ? real(pixbuf) : 0;
}

const guint8* gdk_pixbuf_read_pixels(const GdkPixbuf* pixbuf)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_read_pixels);
	return real != nullptr ? real(pixbuf) : nullptr;
}

const gchar* gdk_pixbuf_get_option(GdkPixbuf* pixbuf, const gchar* key)
{
	PL_PIXBUF_REAL(kPixbuf, gdk_pixbuf_get_option);
	return real != nullptr ? real(pixbuf, key) : nullptr;
}

#pragma GCC visibility pop
} // extern "C"
