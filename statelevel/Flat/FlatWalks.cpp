// Row, column, all-edge and PV walks over the per-major storage.
#include "statelevel/Flat/FlatStateLevel.h"

#include <algorithm>

typedef FlatStateLevel F;

// Positions on the first entry of major index m.
void F::MajorCursor::place(BaseStateLevel* l, int m)
{
    level = static_cast<FlatStateLevel*>(l);
    major = m;
    entries_left = level->major_size[m];
    minor = level->minor_index[m];
    rate_at = level->rates[m];
}

void F::MajorCursor::nextEdge()
{
    if (entries_left == 0) return;
    ++minor;
    ++rate_at;
    --entries_left;
}

void F::OrderlessEdge::setModel(BaseStateLevel* l)
{
    level = static_cast<FlatStateLevel*>(l);
    n = level->getNumberOfStates();
}

void F::OrderlessEdge::init(BaseStateLevel* l)
{
    setModel(l);
    at_end = false;
    column_index = -1;
    seekColumn();
}

// Moves on to the next column with entries, or to the end at column N.
void F::OrderlessEdge::seekColumn()
{
    for (;;) {
        ++column_index;
        if (column_index >= n) {
            at_end = true;
            return;
        }
        entries_left = level->major_size[column_index];
        minor = level->minor_index[column_index];
        rate_at = level->rates[column_index];
        if (entries_left != 0) return;
    }
}

void F::OrderlessEdge::nextEdge()
{
    if (at_end) return;
    ++minor;
    ++rate_at;
    if (--entries_left == 0) seekColumn();
}

void F::row::begin(Iterator* it)
{
    static_cast<rowIterator*>(it)->edge.init(level, index);
}

void F::row::begin(Iterator* it, EdgeBuffer& buf)
{
    begin(it);
    static_cast<rowIterator*>(it)->fill(buf);
}

void F::column::begin(Iterator* it)
{
    static_cast<columnIterator*>(it)->edge.init(level, index);
}

void F::column::begin(Iterator* it, EdgeBuffer& buf)
{
    begin(it);
    static_cast<columnIterator*>(it)->fill(buf);
}

void F::allEdges::begin(Iterator* it)
{
    static_cast<allEdgesIterator*>(it)->edge.init(level);
}

void F::allEdges::begin(Iterator* it, EdgeBuffer& buf)
{
    begin(it);
    static_cast<allEdgesIterator*>(it)->fill(buf);
}

void F::getRow(int r, EdgeBaseContainer* c)
{
    requireMajorStorage();
    if (orientation != ROW_ORIENTATION) switch_orientation(ROW_ORIENTATION);
    auto* container = static_cast<row*>(c);
    container->index = r;
    container->level = this;
}

void F::getColumn(int col, EdgeBaseContainer* c)
{
    requireMajorStorage();
    if (orientation != COLUMN_ORIENTATION) switch_orientation(COLUMN_ORIENTATION);
    auto* container = static_cast<column*>(c);
    container->index = col;
    container->level = this;
}

void F::getAllEdges(EdgeBaseContainer* c)
{
    requireMajorStorage();
    if (orientation != COLUMN_ORIENTATION) switch_orientation(COLUMN_ORIENTATION);
    static_cast<allEdges*>(c)->level = this;
}

void F::getPV(PVBaseContainer* c, int pv)
{
    auto* container = static_cast<PV*>(c);
    container->level = this;
    container->index = pv;
    if (pv_column_index != pv) {  // one PV's column at a time, however many PVs there are
        pv_column.assign(num_states > 0 ? (size_t)num_states : 0, PVPair{0.0, 0.0});
        const size_t states = std::min(pv_column.size(), var_record.size()), width = (size_t)num_pvs;
        for (size_t s = 0; s < states; ++s)  // as pvValue, without its checks in every state
            if (var_record[s] >= 0) pv_column[s] = var_store[(size_t)var_record[s] * width + (size_t)pv];
        pv_column_index = pv;
    }
    container->pairs = pv_column.data();
}

void F::PV::begin(Iterator* it)
{
    auto* walk = static_cast<PVIterator*>(it);
    walk->current = pairs;
    walk->stop = pairs + level->num_states;
}

void F::PV::begin(Iterator* it, PVBuffer& buf)
{
    begin(it);
    static_cast<PVIterator*>(it)->fill(buf);
}

void F::PV::operator()(int state, PVBuffer& buf)
{
    buf.first = pairs[state].first;
    buf.second = pairs[state].second;
}

F::Iterator& F::PVIterator::operator++()
{
    if (current != stop) ++current;
    return *this;
}

F::Iterator& F::PVIterator::operator=(const Iterator& other)
{
    const auto& o = static_cast<const PVIterator&>(other);
    current = o.current;
    stop = o.stop;
    return *this;
}

void F::PVIterator::next(PVBuffer& buf)
{
    if (current != stop) ++current;
    fill(buf);
}

// Copies the current pair into the buffer, or marks the end.
void F::PVIterator::fill(PVBuffer& buf)
{
    buf.at_end = current == stop;
    if (buf.at_end) return;
    buf.first = current->first;
    buf.second = current->second;
}
