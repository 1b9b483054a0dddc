// The state-level factory: the base name is the -G path followed by the -E name.
#include <cstdio>
#include <string>

#include "framework/FileNames.h"
#include "framework/velmar_getopt.h"
#include "statelevel/Flat/FlatStateLevel.h"

BaseStateLevel* BaseStateLevel::createStateLevelObject(int argc, char** argv)
{
    std::string path, experiment;
    velmar_parse(argc, argv, "G:E:", [&](int c, const char* value) {
        if (c == 'G') path = directory_value(value);
        else if (c == 'E') experiment = value;
    });
    std::string base = path + experiment;
    if (!base.empty()) return new FlatStateLevel(base.c_str());
    printf("ERROR: no FlatStateLevel file provided.\n");
    fflush(stdout);
    return nullptr;
}
