// Rendering an SVG document to a PNG image with librsvg and cairo.
#ifndef SPLOT2SVG_PNGRENDER_H
#define SPLOT2SVG_PNGRENDER_H

#include <string>

// Whether this build can write PNG pictures (librsvg and cairo were found).
bool pngAvailable();

// Renders the SVG document onto a white image of the given pixels and encodes it
// as PNG into `png`. Returns an empty string, or why it could not be done.
std::string renderPng(const std::string& svg, int widthPixels, int heightPixels, std::string& png);

#endif
