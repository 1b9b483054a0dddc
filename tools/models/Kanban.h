// The four-cell kanban line: cell 0 takes parts in, its output forks to cells 1 and 2,
// their outputs join into cell 3, which ships. Each cell holds T cards, each free, in the
// machine, back for rework or done.
#ifndef VELMAR_TOOLS_KANBAN_H
#define VELMAR_TOOLS_KANBAN_H

#include <cstdint>
#include <string>
#include <vector>

struct KanbanSpace {
    int tokens = 0;
    // Reachable markings in breadth-first order from all cards free; state i + 1 of the files.
    std::vector<uint32_t> codes;
    // Position in codes of every marking code, -1 when unreachable.
    std::vector<int32_t> number;
};

// Largest T whose markings still fit the dense numbering table.
const int kanbanMaxTokens = 7;

// Explores the markings for T cards per cell (1 <= T <= kanbanMaxTokens).
KanbanSpace exploreKanban(int tokens);

// Writes base.arm, .var (PVs Done3 and Busy0), .pvtype and .parm; false with error on failure.
bool writeKanbanFiles(const KanbanSpace& space, const std::string& base, std::string& error);

#endif
