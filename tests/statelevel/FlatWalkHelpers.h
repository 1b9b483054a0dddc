// Collecting the edges of a flat state level's walks for comparison.
#ifndef VELMAR_TESTS_FLATWALKHELPERS_H
#define VELMAR_TESTS_FLATWALKHELPERS_H

#include <tuple>
#include <vector>

#include "statelevel/Flat/FlatStateLevel.h"

typedef std::tuple<int, int, double> Entry;  // (row, col, rate)

// The edges of a bound container, walked with a buffer.
inline std::vector<Entry> bufferWalk(BaseStateLevel::EdgeBaseContainer* c,
                                     BaseStateLevel::EdgeBaseIterator* it)
{
    std::vector<Entry> seen;
    EdgeBuffer buf;
    for (c->begin(it, buf); !buf.at_end; it->next(buf)) seen.emplace_back(buf.row, buf.col, buf.rate);
    return seen;
}

// The edges of a bound container, walked through the iterator's edge.
inline std::vector<Entry> cursorWalk(BaseStateLevel::EdgeBaseContainer* c,
                                     BaseStateLevel::EdgeBaseIterator* it)
{
    std::vector<Entry> seen;
    for (c->begin(it); !it->end(); ++*it)
        seen.emplace_back((*it)->row(), (*it)->col(), (*it)->rate());
    return seen;
}

inline std::vector<Entry> rowOf(BaseStateLevel& level, int r)
{
    BaseStateLevel::EdgeBaseContainer* c;
    BaseStateLevel::EdgeBaseIterator* it;
    level.allocateRowContainer(c);
    level.allocateRowIterator(it);
    level.getRow(r, c);
    std::vector<Entry> seen = bufferWalk(c, it);
    EXPECT_EQ(cursorWalk(c, it), seen);
    level.deallocateRowContainer(c);
    level.deallocateRowIterator(it);
    return seen;
}

inline std::vector<Entry> columnOf(BaseStateLevel& level, int col)
{
    BaseStateLevel::EdgeBaseContainer* c;
    BaseStateLevel::EdgeBaseIterator* it;
    level.allocateColumnContainer(c);
    level.allocateColumnIterator(it);
    level.getColumn(col, c);
    std::vector<Entry> seen = bufferWalk(c, it);
    EXPECT_EQ(cursorWalk(c, it), seen);
    level.deallocateColumnContainer(c);
    level.deallocateColumnIterator(it);
    return seen;
}

inline std::vector<Entry> allEdgesOf(BaseStateLevel& level)
{
    BaseStateLevel::EdgeBaseContainer* c;
    BaseStateLevel::EdgeBaseIterator* it;
    level.allocateAllEdgesContainer(c);
    level.allocateAllEdgesIterator(it);
    level.getAllEdges(c);
    std::vector<Entry> seen = bufferWalk(c, it);
    EXPECT_EQ(cursorWalk(c, it), seen);
    level.deallocateAllEdgesContainer(c);
    level.deallocateAllEdgesIterator(it);
    return seen;
}

// Every row walked in turn: the matrix in row-walk order.
inline std::vector<Entry> allRows(BaseStateLevel& level)
{
    std::vector<Entry> all;
    for (int r = 0; r < level.getNumberOfStates(); ++r)
        for (const Entry& e : rowOf(level, r)) all.push_back(e);
    return all;
}

#endif
