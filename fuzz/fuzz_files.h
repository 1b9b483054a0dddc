// A private scratch directory holding one state space "m": the fuzzed file
// and fixed, well-formed companions.
#ifndef VELMAR_FUZZ_FILES_H
#define VELMAR_FUZZ_FILES_H

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "framework/InputError.h"
#include "statelevel/Flat/FlatStateLevel.h"

// Directory of the files, made once per process.
inline const std::string& scratch_dir()
{
    static std::string dir = [] {
        char name[] = "/tmp/velmar_fuzzXXXXXX";
        if (mkdtemp(name) == nullptr) abort();
        return std::string(name) + "/";
    }();
    return dir;
}

inline void write_file(const std::string& ext, const void* data, size_t size)
{
    FILE* f = fopen((scratch_dir() + "m" + ext).c_str(), "wb");
    if (f == nullptr) abort();
    if (size > 0 && fwrite(data, 1, size, f) != size) abort();
    fclose(f);
}

inline void write_file(const std::string& ext, const std::string& text)
{
    write_file(ext, text.data(), text.size());
}

// Walks every edge of the level (this switches it to column order) and checks
// that each index lies among the states.
inline void walk_all_edges(FlatStateLevel& level)
{
    BaseStateLevel::EdgeBaseContainer* c;
    BaseStateLevel::EdgeBaseIterator* it;
    level.allocateAllEdgesContainer(c);
    level.allocateAllEdgesIterator(it);
    level.getAllEdges(c);
    EdgeBuffer buf;
    int n = level.getNumberOfStates();
    for (c->begin(it, buf); !buf.at_end; it->next(buf))
        if (buf.row < 0 || buf.row >= n || buf.col < 0 || buf.col >= n || !(buf.rate >= 0.0))
            abort();
    level.deallocateAllEdgesContainer(c);
    level.deallocateAllEdgesIterator(it);
}

// Loads the state space "m"; a refused file ends with the typed bad-input
// error and nothing else.
inline void load_model()
{
    FlatStateLevel* level = nullptr;
    try {
        level = new FlatStateLevel((scratch_dir() + "m").c_str());
    } catch (const InputError& e) {
        if (e.text().empty() || e.text().back() != '\n') abort();
        return;
    }
    walk_all_edges(*level);
    for (int p = 0; p < level->getNumberOfPVs(); ++p)
        if (level->getPVName(p) == nullptr) abort();
    delete level;
}

#endif
