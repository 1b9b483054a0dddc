// The formats a state space can be read from, and how the program picks one:
// named with -F, or found from the files present for the base name.
#ifndef VELMAR_STATESPACEFORMAT_H
#define VELMAR_STATESPACEFORMAT_H

#include <string>
#include <vector>

#include "framework/StateSpaceFiles.h"
#include "statelevel/BaseStateLevel.h"

enum class StateSpaceFormat { Flat, Prism, Drn };

// The format of a -F value ("flat", "prism" or "drn"); false for any other word.
bool state_space_format_named(const std::string& word, StateSpaceFormat& format);
// Why a -F value is refused: 'Unknown state space format "word" after -F: give flat, prism or drn.'
std::string unknown_format_text(const std::string& word);
// The flat files when B.arm exists; otherwise PRISM's when B.tra or B.pexp exists,
// Storm's when B.drn exists; the flat files (whose absence is then reported) else.
StateSpaceFormat state_space_format_found(const std::string& base);
// True when a file of some format exists for base name B (B.arm, B.tra, B.pexp or B.drn), or
// the flat files' B.det, which the flat level refuses.
bool state_space_format_present(const std::string& base);
// The loaded state level of base name B in that format; a malformed file ends the run.
BaseStateLevel* make_state_level(const std::string& base, StateSpaceFormat format);

#endif
