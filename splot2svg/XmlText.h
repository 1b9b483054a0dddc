// Text made safe for an XML document.
#ifndef SPLOT2SVG_XMLTEXT_H
#define SPLOT2SVG_XMLTEXT_H

#include <string>

// The text as valid UTF-8 without the control characters XML forbids
// (bad bytes become U+FFFD, forbidden controls a space).
std::string cleanUtf8(const std::string& text);

// The text cleaned and escaped for XML character data and attribute values.
std::string xmlEscape(const std::string& text);

#endif
