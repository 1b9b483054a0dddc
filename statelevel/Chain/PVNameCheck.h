// The check every PV name from another tool's files passes before it is used.
#ifndef VELMAR_PVNAMECHECK_H
#define VELMAR_PVNAMECHECK_H

#include <string>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Chain/ChainModel.h"

// Refuses, at the reader's current line, a name that cannot name plot files
// (empty, blanks, a path separator, over 103 characters) or that an earlier
// PV of the model already has.
void require_pv_name(const ChainLineReader& in, const ChainModel& model, const std::string& name);

#endif
