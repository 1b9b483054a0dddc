#include "splot2svg/PngRender.h"

#ifdef SPLOT2SVG_HAVE_PNG

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <memory>

namespace {

struct HandleRelease {
    void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
struct SurfaceRelease {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextRelease {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

// Takes the bytes cairo encodes into the string behind `closure`.
cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// The message of a GLib error, released.
std::string takeMessage(GError* error, const char* fallback)
{
    std::string m = error && error->message ? error->message : fallback;
    if (error) g_error_free(error);
    return m;
}

}  // namespace

// Whether this build can write PNG pictures.
bool pngAvailable()
{
    return true;
}

// Renders the SVG document onto a white image and encodes it as PNG.
std::string renderPng(const std::string& svg, int widthPixels, int heightPixels, std::string& png)
{
    GError* error = nullptr;
    std::unique_ptr<RsvgHandle, HandleRelease> handle(
        rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error));
    if (!handle) return "the SVG renderer refused the picture: " + takeMessage(error, "unknown reason");
    std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, widthPixels, heightPixels));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return std::string("cannot make the image: ") + cairo_status_to_string(cairo_surface_status(surface.get()));
    }
    std::unique_ptr<cairo_t, ContextRelease> cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    RsvgRectangle viewport = {0, 0, static_cast<double>(widthPixels), static_cast<double>(heightPixels)};
    if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error)) {
        return "the SVG renderer failed: " + takeMessage(error, "unknown reason");
    }
    cairo_surface_flush(surface.get());
    png.clear();
    cairo_status_t status = cairo_surface_write_to_png_stream(surface.get(), appendBytes, &png);
    if (status != CAIRO_STATUS_SUCCESS) return std::string("cannot encode the PNG: ") + cairo_status_to_string(status);
    return "";
}

#else

// Whether this build can write PNG pictures.
bool pngAvailable()
{
    return false;
}

// Without librsvg and cairo there is no PNG.
std::string renderPng(const std::string&, int, int, std::string&)
{
    return "PNG output is not built into this splot2svg (it needs librsvg and cairo: Debian's librsvg2-dev and "
           "libcairo2-dev); write an SVG picture instead";
}

#endif
