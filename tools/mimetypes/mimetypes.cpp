// pl_mimetypes <template> <output>: writes <template> to <output> with
// @MIME_TYPES@ replaced by the types the viewer opens on this machine, for
// the MimeType= key of its desktop entry.
//
// The list is asked of the libraries the translation and media kits decode
// with, so that a file manager offers Pelivant for exactly what it opens:
//   - images: JPEG, PNG, WebP and JPEG XL, which the kit decodes itself, and every
//     format of gdk-pixbuf's installed loaders (the kit's fallback);
//   - video: the video/* types FFmpeg's demuxers declare, and, for the
//     demuxers that declare none, the usual types of their containers, each
//     only when FFmpeg has that demuxer.
// It runs at build time on the build machine, so the entry says what the
// decoders installed there open; a package built on Debian 12 depends on
// the same libraries.
#include <gdk-pixbuf/gdk-pixbuf.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

namespace {

void add_list(std::set<std::string>& types, const std::string& list, const std::string& prefix)
{
	std::stringstream stream(list);
	std::string type;
	while (std::getline(stream, type, ',')) {
		if (type.compare(0, prefix.size(), prefix) == 0 && type.find(';') == std::string::npos)
			types.insert(type);
	}
}

void add_image_types(std::set<std::string>& types)
{
	types.insert({"image/jpeg", "image/png", "image/webp", "image/jxl"});
	GSList* formats = gdk_pixbuf_get_formats();
	for (GSList* item = formats; item != NULL; item = item->next) {
		GdkPixbufFormat* format = static_cast<GdkPixbufFormat*>(item->data);
		if (gdk_pixbuf_format_is_disabled(format))
			continue;
		gchar** mimeTypes = gdk_pixbuf_format_get_mime_types(format);
		for (gchar** type = mimeTypes; type != NULL && *type != NULL; type++)
			add_list(types, *type, "image/");
		g_strfreev(mimeTypes);
	}
	g_slist_free(formats);
}

// Containers whose demuxer declares no MIME type, by the demuxer's name.
struct Container {
	const char* demuxer;
	const char* types;
};

const Container kContainers[] = {
    {"mov,mp4,m4a,3gp,3g2,mj2", "video/mp4,video/quicktime,video/3gpp,video/3gpp2"},
    {"avi", "video/x-msvideo,video/avi,video/vnd.avi"},
    {"mpeg", "video/mpeg"},
    {"mpegts", "video/mp2t"},
    {"flv", "video/x-flv"},
    {"asf", "video/x-ms-asf,video/x-ms-wmv"},
    {"ogg", "video/ogg,video/x-ogm+ogg"},
    {"matroska,webm", "video/x-matroska,video/webm"},
    {"dv", "video/dv"},
};

void add_video_types(std::set<std::string>& types)
{
	void* state = NULL;
	while (const AVInputFormat* format = av_demuxer_iterate(&state)) {
		if (format->mime_type != NULL)
			add_list(types, format->mime_type, "video/");
		for (const Container& container : kContainers) {
			if (format->name != NULL && std::string(format->name) == container.demuxer)
				add_list(types, container.types, "video/");
		}
	}
}

} // namespace

int main(int argc, char** argv)
{
	if (argc != 3) {
		std::cerr << "usage: pl_mimetypes <template> <output>\n";
		return 2;
	}
	std::ifstream in(argv[1]);
	std::stringstream text;
	text << in.rdbuf();
	if (!in) {
		std::cerr << "pl_mimetypes: cannot read " << argv[1] << "\n";
		return 1;
	}

	std::set<std::string> types;
	add_image_types(types);
	add_video_types(types);
	std::string list;
	for (const std::string& type : types)
		list += type + ";";

	std::string entry = text.str();
	const std::string key = "@MIME_TYPES@";
	size_t at = entry.find(key);
	if (at == std::string::npos) {
		std::cerr << "pl_mimetypes: " << argv[1] << " has no " << key << "\n";
		return 1;
	}
	entry.replace(at, key.size(), list);
	std::ofstream out(argv[2]);
	out << entry;
	out.close();
	if (!out) {
		std::cerr << "pl_mimetypes: cannot write " << argv[2] << "\n";
		std::remove(argv[2]);
		return 1;
	}
	return 0;
}
