// Model list and generation through ssgen.
#include "bench/BenchModels.h"

#include <cstdlib>

std::vector<BenchModel> benchModels()
{
    // tandem rates are exact binary fractions; random rates carry ten digits
    return {
        {"tandem_1e4", {"tandem", "99", "99", "1", "1.5", "2"}, 0},
        {"random_1e4", {"random", "10000", "4", "11"}, 0},
        {"kanban_2", {"kanban", "2"}, 0},
        {"polling_3x12", {"polling", "3", "12", "0.3", "1", "5"}, 0},
        {"tandem_2e4", {"tandem", "140", "140", "1", "1.5", "2"}, 1},
        {"random_2e4", {"random", "20000", "4", "12"}, 1},
        {"kanban_3", {"kanban", "3"}, 1},
        {"hubs_1e5", {"hubs", "100000", "4", "50", "14"}, 1},
        {"tandem_9e4", {"tandem", "300", "300", "1.0", "1.3", "1.1"}, 1},
        {"tandem_1e5", {"tandem", "315", "315", "1", "1.5", "2"}, 1},
        {"random_1e5", {"random", "100000", "4", "13"}, 1},
        {"random_2e5", {"random", "200000", "4", "15"}, 1},
        {"polling_4x12", {"polling", "4", "12", "0.2", "1", "5"}, 1},
        {"kanban_4", {"kanban", "4"}, 1},
        {"ncd_1e5", {"ncd", "100000", "20", "1e-9", "17"}, 1},
        {"tandem_1e6", {"tandem", "999", "999", "1", "1.5", "2"}, 2},
        {"random_1e6", {"random", "1000000", "4", "16"}, 2},
        {"ncd_1e6", {"ncd", "1000000", "50", "1e-9", "18"}, 2},
        {"kanban_5", {"kanban", "5"}, 2},
        {"kanban_6", {"kanban", "6"}, 2},
    };
}

bool generateModel(const BenchModel& m, const std::string& dir)
{
    std::string cmd = SSGEN_BINARY;
    for (const std::string& a : m.ssgen) cmd += " " + a;
    cmd += " '" + dir + "/" + m.name + "'";
    return system(cmd.c_str()) == 0;
}
